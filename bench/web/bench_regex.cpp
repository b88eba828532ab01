// Catalogue pattern over a generated catalogue answer of about 2 MB with 2000
// lecture entries: RegexObject (PCRE2) beside std::regex on the same input.
// std::regex runs in a child process, since its recursive matcher can run
// out of stack on long gaps; a crash or time-out there is reported, not fatal.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "web/regex_object.h"

namespace {

constexpr const char* kCataloguePattern =
    R"re(ccVideoLink": "(.*?)"[\w\W]*?pcLow[\w\W]*?pcHigh[\w\W]*?name": "(.*?)",)re";
constexpr int kEntries = 2000;
constexpr std::size_t kTargetBytes = 2 * 1024 * 1024;
constexpr int kRuns = 20;
constexpr unsigned kStdRegexSeconds = 120;

// One lecture entry padded with the fields a real catalogue carries, so that
// kEntries of them come to about kTargetBytes.
std::string catalogueAnswer(int entries, std::size_t targetBytes) {
    const std::size_t perEntry = targetBytes / std::size_t(entries);
    std::string answer = "{\"code\": 0, \"data\": [\n";
    for (int i = 1; i <= entries; ++i) {
        std::string entry = "  {\n    \"ccVideoLink\": \"9F8E7D6C5B4A3928" +
                            std::to_string(100000 + i) +
                            "\",\n    \"duration\": " + std::to_string(600 + i % 900) + ",\n";
        entry += "    \"pcLow\": \"https://video.example/low/" + std::to_string(i) + ".mp4\",\n";
        entry += "    \"pcHigh\": \"https://video.example/high/" + std::to_string(i) + ".mp4\",\n";
        entry += "    \"name\": \"第" + std::to_string(i) + "讲 课程内容与学习方法\",\n";
        entry += "    \"description\": \"";
        while (entry.size() + 8 < perEntry) {
            entry += "本讲介绍 lorem ipsum dolor sit amet; ";
        }
        entry += "\"\n  },\n";
        answer += entry;
    }
    answer += "]}\n";
    return answer;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void benchRegexObject(const ld::Text& subject) {
    ld::RegexObject regex;
    std::vector<double> times;
    int matches = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        regex.search(ld::Text(kCataloguePattern), subject);
        matches = regex.matchCount();
        times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "RegexObject (PCRE2): %d matches, median %.2f ms, best %.2f ms per search "
        "(target < 10 ms) %s\n",
        matches, times[times.size() / 2], times.front(),
        times[times.size() / 2] < 10.0 ? "OK" : "SLOWER THAN TARGET");

    const auto convertStart = std::chrono::steady_clock::now();
    const std::string utf8 = ld::gbkToUtf8(subject);
    std::printf("  of which the subject's conversion to UTF-8: %.2f ms\n",
                millisecondsSince(convertStart));
}

// Runs std::regex over the subject in a child process; prints its figures.
void benchStdRegex(const std::string& label, const std::string& subject) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        alarm(kStdRegexSeconds);
        const std::regex pattern(kCataloguePattern, std::regex::ECMAScript | std::regex::icase);
        const auto start = std::chrono::steady_clock::now();
        const auto begin = std::sregex_iterator(subject.begin(), subject.end(), pattern);
        const long matches = std::distance(begin, std::sregex_iterator());
        std::printf("std::regex on %s: %ld matches, %.2f ms per search\n", label.c_str(), matches,
                    millisecondsSince(start));
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::printf("std::regex on %s: %s (signal %d)\n", label.c_str(),
                    signal == SIGALRM ? "gave up after the time limit" : "crashed", signal);
    }
}

}  // namespace

// One entry whose fields lie a megabyte apart: the gap std::regex recurses over.
std::string longGapAnswer() {
    std::string answer = "{\"ccVideoLink\": \"GAP-1\",\n";
    while (answer.size() < 1024 * 1024) {
        answer += "filler line of a very long description\n";
    }
    answer += "\"pcLow\": \"l\", \"pcHigh\": \"h\", \"name\": \"长间隔\",\n}\n";
    return answer;
}

void benchLongGapRegexObject(const std::string& answer) {
    ld::RegexObject regex;
    const auto start = std::chrono::steady_clock::now();
    regex.search(ld::Text(kCataloguePattern), ld::utf8ToGbk(answer));
    std::printf("RegexObject on one entry with a 1 MB gap: %d match, %.2f ms\n", regex.matchCount(),
                millisecondsSince(start));
}

int main() {
    const std::string answer = catalogueAnswer(kEntries, kTargetBytes);
    const ld::Text subject = ld::utf8ToGbk(answer);
    std::printf("catalogue answer: %d entries, %zu bytes UTF-8, %d bytes GBK\n", kEntries,
                answer.size(), subject.length());
    benchRegexObject(subject);

    const std::string small = catalogueAnswer(kEntries / 10, kTargetBytes / 10);
    benchStdRegex("a tenth of the answer (" + std::to_string(small.size()) + " bytes)", small);
    benchStdRegex("the whole answer", answer);

    const std::string gap = longGapAnswer();
    benchLongGapRegexObject(gap);
    benchStdRegex("one entry with a 1 MB gap", gap);
    return 0;
}

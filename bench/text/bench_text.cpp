// Conversion speed of a web answer: utf8ToGbkText of a 2 MB body, mostly
// ASCII with Chinese titles, beside a plain ICU ucnv_convert and glibc's iconv
// of the same input. Also the cost of one short conversion (a list cell).
#include <iconv.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "text/codepage.h"

namespace {

constexpr double kTargetMs = 20.0;
constexpr int kRounds = 15;

std::string makeBody(std::size_t size) {
    const std::string record =
        R"({"id":1234567,"videoId":"8f3c2a1b9d","name":"第3讲 课程介绍（上）——概述","duration":1820,"free":false},)"
        "\n";
    std::string body = "[";
    while (body.size() + record.size() < size) {
        body += record;
    }
    body += "{}]";
    return body;
}

struct Timing {
    double bestMs;
    double medianMs;
};

Timing timeRounds(const std::function<std::size_t()>& run, std::size_t& outputSize) {
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        outputSize = run();
        const auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

std::size_t icuConvert(const std::string& utf8) {
    std::string out(utf8.size() * 2, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n =
        ucnv_convert("windows-936", "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                     utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    return U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0;
}

std::size_t iconvConvert(const std::string& utf8) {
    iconv_t cd = iconv_open("CP936//TRANSLIT", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return 0;
    }
    std::string in = utf8;
    std::string out(utf8.size() * 2, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return rc == static_cast<std::size_t>(-1) ? 0 : out.size() - outLeft;
}

void report(const char* name, Timing t, std::size_t outputSize, bool withTarget) {
    std::printf("%-34s best %7.2f ms  median %7.2f ms  (%zu bytes out)", name, t.bestMs, t.medianMs,
                outputSize);
    if (withTarget) {
        std::printf("  target < %.0f ms: %s", kTargetMs, t.medianMs < kTargetMs ? "met" : "MISSED");
    }
    std::printf("\n");
}

}  // namespace

int main() {
    const std::string body = makeBody(2 * 1024 * 1024);
    const ld::ByteSet bodyBytes = ld::ByteSet::fromString(body);
    std::printf("input: %zu bytes of UTF-8, %d rounds each\n", body.size(), kRounds);

    std::size_t outSize = 0;
    const Timing ours =
        timeRounds([&] { return ld::utf8ToGbkText(bodyBytes).bytes().size(); }, outSize);
    report("utf8ToGbkText", ours, outSize, true);
    const Timing icu = timeRounds([&] { return icuConvert(body); }, outSize);
    report("peer: ICU ucnv_convert", icu, outSize, false);
    const Timing glibc = timeRounds([&] { return iconvConvert(body); }, outSize);
    report("peer: glibc iconv CP936", glibc, outSize, false);

    // One short conversion opens and closes its own converter.
    const std::string cell = "第3讲 课程介绍（上）";
    constexpr int kCalls = 20000;
    const auto start = std::chrono::steady_clock::now();
    std::size_t total = 0;
    for (int call = 0; call < kCalls; ++call) {
        total += ld::utf8ToGbk(cell).bytes().size();
    }
    const auto stop = std::chrono::steady_clock::now();
    std::printf("%-34s %7.2f us per call (%zu bytes)\n", "utf8ToGbk of a 30-byte title",
                std::chrono::duration<double, std::micro>(stop - start).count() / kCalls, total);
    return 0;
}

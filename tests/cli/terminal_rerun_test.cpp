// The terminal program as a daily tool: a rerun passes by what is complete,
// --force and --items, lectures listed in course order, a narrow terminal, a
// folder that cannot be used and a full disk. A child process against the
// sample course platform, as in terminal_run_test.cpp.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/terminal/display_text.h"
#include "app/terminal/file_mark.h"
#include "tests/cli/terminal_run_fixture.h"

namespace ld::cli_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class TerminalRerun : public TerminalRun {
  protected:
    // The JSON events of a run, by kind.
    static std::map<std::string, int> eventCounts(const Finished& run) {
        std::map<std::string, int> counts;
        for (const nlohmann::json& line : jsonLines(run.out)) {
            ++counts[line.at("event").get<std::string>()];
        }
        return counts;
    }
    [[nodiscard]] std::vector<std::string> command(std::string_view course) const {
        return {"download", courseAddress(course), "-o", downloads(), "--json"};
    }
};

TEST_F(TerminalRerun, ARerunPassesByEveryCompleteFileWithoutFetchingItsBody) {
    const Finished first = run(command("141"));
    ASSERT_EQ(first.exitCode, 1) << first.err;
    platform_->resetStatistics();
    const Finished again = run(command("141"));
    EXPECT_EQ(again.exitCode, 1) << again.err;
    EXPECT_EQ(platform_->videoBytesServed(), 0);
    std::map<std::string, int> counts = eventCounts(again);
    EXPECT_EQ(counts["skipped"], 7);
    EXPECT_EQ(counts["started"], 0);
    const nlohmann::json summary = jsonLines(again.out).back();
    EXPECT_EQ(summary.at("downloaded"), 7);
    EXPECT_EQ(summary.at("skipped"), 7);
    for (const nlohmann::json& line : jsonLines(again.out)) {
        if (line.at("event") == "skipped") {
            EXPECT_EQ(line.at("file"), kCourseFiles.at(line.at("number")));
            EXPECT_EQ(line.at("bytes_total"), lecture("141", line.at("number")).videoSize);
            EXPECT_EQ(line.at("status"), "已存在，跳过");
        }
    }
    expectCourse141Saved();

    // Plain lines say so too; --force fetches everything again.
    const Finished plain = this->run({"download", courseAddress("142"), "-o", downloads()});
    ASSERT_EQ(plain.exitCode, 0);
    const Finished plainAgain = this->run({"download", courseAddress("142"), "-o", downloads()});
    EXPECT_THAT(plainAgain.out, HasSubstr("[1/5] 第1讲 线性表  已存在，跳过  第1讲 线性表.flv\n"));
    EXPECT_THAT(plainAgain.out, HasSubstr("下载完毕 5 讲（其中 5 讲已存在，跳过），未下载 0 讲"));
    platform_->resetStatistics();
    std::vector<std::string> forced = command("142");
    forced.push_back("--force");
    const Finished force = run(forced);
    EXPECT_EQ(force.exitCode, 0);
    EXPECT_EQ(eventCounts(force)["finished"], 5);
    EXPECT_EQ(eventCounts(force)["skipped"], 0);
    std::int64_t all = 0;
    for (int number = 1; number <= 5; ++number) {
        all += lecture("142", number).videoSize;
    }
    EXPECT_EQ(platform_->videoBytesServed(), all);
}

TEST_F(TerminalRerun, AFileChangedOnTheServerOrLocallyIsFetchedAgain) {
    ASSERT_EQ(run(command("142")).exitCode, 0);
    if (!readFileMark(fs::path(downloads()) / "第2讲 栈与队列.flv")) {
        // Without the mark a file of the right length counts as complete.
        GTEST_SKIP() << "this file system keeps no extended attributes";
    }
    // Every file has a new version of the same length: another ETag.
    sample::SamplePlatformOptions changed;
    changed.videoVersion = 1;
    platform_->setOptions(changed);
    const Finished again = run(command("142"));
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(eventCounts(again)["finished"], 5);
    EXPECT_EQ(eventCounts(again)["skipped"], 0);
    const fs::path second = fs::path(downloads()) / "第2讲 栈与队列.flv";
    EXPECT_TRUE(fileBytes(second) == sample::SamplePlatform::videoBytes(lecture("142", 2), 1));

    // A file cut short on the disk, and one with partial data beside it.
    fs::resize_file(second, 1000);
    std::ofstream(fs::path(downloads()) / "第3讲 树.flv.xldl") << "x";
    const Finished repaired = run(command("142"));
    EXPECT_EQ(repaired.exitCode, 0) << repaired.err;
    EXPECT_EQ(eventCounts(repaired)["skipped"], 3);
    EXPECT_TRUE(fileBytes(second) == sample::SamplePlatform::videoBytes(lecture("142", 2), 1));
}

TEST_F(TerminalRerun, ASkippedFirstRowKeepsTheSecondRowsNumberedName) {
    ASSERT_EQ(run(command("143")).exitCode, 0);
    const fs::path numbered = fs::path(downloads()) / "a_b (2).flv";
    ASSERT_TRUE(fs::exists(numbered));
    fs::remove(numbered);
    const Finished again = run(command("143"));
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(eventCounts(again)["skipped"], 5);
    for (const nlohmann::json& line : jsonLines(again.out)) {
        if (line.at("event") == "finished") {
            EXPECT_EQ(line.at("file"), "a_b (2).flv");
        }
    }
    EXPECT_TRUE(fileBytes(fs::path(downloads()) / "a_b.flv") ==
                sample::SamplePlatform::videoBytes(lecture("143", 1)));
    EXPECT_TRUE(fileBytes(numbered) == sample::SamplePlatform::videoBytes(lecture("143", 2)));
}

TEST_F(TerminalRerun, ItemsChooseLecturesAndTheirNamesStayTheWholeCoursesNames) {
    std::vector<std::string> second = command("143");
    second.insert(second.end(), {"--items", "2,5-"});
    const Finished chosen = run(second);
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
    std::set<std::string> files;
    for (const nlohmann::json& line : jsonLines(chosen.out)) {
        if (line.at("event") == "finished") {
            files.insert(line.at("file").get<std::string>());
            EXPECT_EQ(line.at("count"), 3);
        }
    }
    // Lecture 2 ("a:b") keeps the name the whole course gives it.
    EXPECT_EQ(files,
              (std::set<std::string>{"a_b (2).flv", "第1讲 重复.flv", "第1讲 重复 (2).flv"}));
    EXPECT_FALSE(fs::exists(fs::path(downloads()) / "a_b.flv"));
    const nlohmann::json summary = jsonLines(chosen.out).back();
    EXPECT_EQ(summary.at("lectures"), 3);
    EXPECT_EQ(summary.at("downloaded"), 3);

    // Lecture 4 of course 141 has no play address: chosen alone, exit 1.
    const Finished unplayable =
        this->run({"download", courseAddress("141"), "-o", downloads(), "--items", "4"});
    EXPECT_EQ(unplayable.exitCode, 1);
    EXPECT_THAT(unplayable.out, HasSubstr("下载完毕 0 讲，未下载 1 讲\n  4  第4讲 指针*与引用"));
    const Finished listed = this->run({"list", courseAddress("141"), "--items", "2-3"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_THAT(listed.out, Not(HasSubstr("第1讲")));
    EXPECT_THAT(listed.out, HasSubstr("2\t第2讲"));
    EXPECT_THAT(listed.out, HasSubstr("共 2 讲，2 讲有播放地址"));

    for (const char* bad : {"9", "7-12", "0", "1,,2", "x"}) {
        SCOPED_TRACE(bad);
        const Finished refused = this->run(
            {"download", courseAddress("141"), "-o", (folder_ / "never").string(), "--items", bad});
        EXPECT_EQ(refused.exitCode, 2) << refused.err;
        EXPECT_THAT(refused.err, HasSubstr("--items"));
        EXPECT_FALSE(fs::exists(folder_ / "never")) << "the folder made for nothing stays";
    }
}

TEST_F(TerminalRerun, ListKeepsCourseOrderWhateverOrderTheAddressesArriveIn) {
    // Lecture 1's answer is held back until lecture 5 has been asked, which
    // happens only once an answer after it has come back.
    const auto& lectures = sample::findCourse("142")->lectures;
    auto gate = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
    auto fifthAsked = std::make_shared<bool>(false);
    sample::SamplePlatformOptions options;
    options.beforePlayInfoAnswer = [gate, fifthAsked, first = lectures[0].videoId,
                                    fifth = lectures[4].videoId](const std::string& videoId) {
        std::unique_lock lock(gate->first);
        if (videoId == fifth) {
            *fifthAsked = true;
            gate->second.notify_all();
        } else if (videoId == first) {
            gate->second.wait_for(lock, std::chrono::seconds(10), [&] { return *fifthAsked; });
        }
    };
    platform_->setOptions(options);
    for (const bool json : {false, true}) {
        SCOPED_TRACE(json);
        std::vector<std::string> arguments{"list", courseAddress("142")};
        if (json) {
            arguments.emplace_back("--json");
        }
        {
            const std::lock_guard lock(gate->first);
            *fifthAsked = false;
        }
        const Finished list = run(arguments);
        ASSERT_EQ(list.exitCode, 0) << list.err;
        std::vector<int> order;
        if (json) {
            for (const nlohmann::json& line : jsonLines(list.out)) {
                if (line.at("event") == "resolved") {
                    order.push_back(line.at("number"));
                }
            }
        } else {
            std::istringstream lines(list.out);
            for (std::string line; std::getline(lines, line);) {
                if (line.find('\t') != std::string::npos) {
                    order.push_back(std::stoi(line));
                }
            }
        }
        EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
    }
}

TEST_F(TerminalRerun, ANarrowTerminalKeepsTheFiguresAndShortensTheTitle) {
    sample::SamplePlatformOptions slow;
    slow.videoBytesPerSecond = 2 * 1024 * 1024;
    platform_->setOptions(slow);
    const int columns = 56;
    const Finished run = runOnTerminal(
        LD_PROGRAM, {"download", courseAddress("141"), "-o", downloads(), "--items", "7"},
        environment(), columns);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    int figureLines = 0;
    for (const std::string& piece : liveLineStates(run.out)) {
        EXPECT_LE(displayWidth(piece), columns - 1) << piece;
        EXPECT_THAT(piece, Not(HasSubstr("0.00MB/0.00MB")));
        if (piece.find('%') != std::string::npos) {
            ++figureLines;
            // Percentage, both sizes, the speed and the time left, whole.
            EXPECT_THAT(piece, ::testing::ContainsRegex("[0-9]+%  [0-9.]+MB/8\\.00MB  [0-9]+[KM]B/s"
                                                        "  剩余 [0-9]+:[0-9][0-9]$"))
                << piece;
            EXPECT_THAT(piece, HasSubstr("...")) << piece;
        }
    }
    EXPECT_GE(figureLines, 2);
}

TEST_F(TerminalRerun, AFolderThatCannotBeUsedEndsTheCommandBeforeAnything) {
    std::ofstream(folder_ / "plain") << "a file, not a folder";
    const Finished run =
        this->run({"download", courseAddress("141"), "-o", (folder_ / "plain" / "sub").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("无法使用保存目录"));
    EXPECT_EQ(platform_->requests(), 0) << "nothing is asked before the folder is known good";
    const Finished json =
        this->run({"download", courseAddress("141"), "--json", "-o", (folder_ / "plain").string()});
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json summary = jsonLines(json.out).back();
    EXPECT_EQ(summary.at("exit_code"), 1);
    EXPECT_THAT(summary.at("problem").get<std::string>(), HasSubstr("无法使用保存目录"));
}

// A file size limit for the child: its writes past it fail as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

TEST_F(TerminalRerun, AFullDiskStopsTheBatchWithItsReason) {
    std::unique_ptr<ChildProcess> child;
    {
        // Lectures 1 to 3 fit under 2 MiB, lecture 5 (3 MiB) does not.
        const FileSizeLimit limit(2 * 1024 * 1024);
        child = std::make_unique<ChildProcess>(
            LD_PROGRAM,
            std::vector<std::string>{"download", courseAddress("141"), "-o", downloads()},
            environment());
    }
    const Finished run = child->finish();
    EXPECT_EQ(run.endingSignal, 0);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("[3/7] 第3讲 什么是算法?  下载完毕"));
    EXPECT_THAT(run.out, HasSubstr("[4/7] 第5讲 \\\"引号\\\"里的字符串  下载失败 (磁盘空间不足)"));
    EXPECT_THAT(run.out, Not(HasSubstr("[5/7]")));
    EXPECT_THAT(run.out, HasSubstr("  6  第6讲 本章小结.  未下载（磁盘空间不足）"));
    EXPECT_THAT(run.err, HasSubstr("磁盘空间不足"));
    EXPECT_FALSE(fs::exists(fs::path(downloads()) / (kCourseFiles.at(6) + ".xldl")));
}

}  // namespace
}  // namespace ld::cli_test

// The terminal program as a script or a person runs it: a child process that
// reaches the sample course platform (in this process) through http_proxy,
// with no display. What it prints, the files it writes and its exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/terminal/display_text.h"
#include "tests/cli/terminal_run_fixture.h"

namespace ld::cli_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(TerminalRun, WholeCourseDownloadedAndTheUnresolvableLectureListedWithExitOne) {
    const Finished run = this->run({"download", courseAddress("141"), "--output", downloads()});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    expectCourse141Saved();
    // Piped: plain lines, nothing that steers a terminal.
    for (const char c : run.out) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_TRUE(byte >= 0x20 || c == '\n' || c == '\t') << "control byte " << int(byte);
    }
    EXPECT_THAT(run.out, HasSubstr("[7/7] 第8讲 期末复习：综合练习  下载完毕  64.00MB"));
    EXPECT_THAT(run.out,
                HasSubstr("下载完毕 7 讲，未下载 1 讲\n  4  第4讲 指针*与引用  解析失败\n"));
}

TEST_F(TerminalRun, EveryLectureDownloadedExitsZeroAndJsonAgreesWithTheFiles) {
    const Finished run = this->run({"download", courseAddress("142"), "-o", downloads(), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    std::map<std::string, int> counts;
    for (const nlohmann::json& line : jsonLines(run.out)) {
        const std::string event = line.at("event");
        ++counts[event];
        if (event == "finished") {
            const auto& expected = lecture("142", line.at("number"));
            EXPECT_EQ(line.at("title"), expected.title);
            EXPECT_EQ(line.at("bytes_total"), expected.videoSize);
            EXPECT_EQ(line.at("bytes_done"), expected.videoSize);
            const fs::path file = fs::path(downloads()) / line.at("file").get<std::string>();
            EXPECT_TRUE(fileBytes(file) == sample::SamplePlatform::videoBytes(expected)) << file;
        }
        if (event == "summary") {
            EXPECT_EQ(line.at("downloaded"), 5);
            EXPECT_EQ(line.at("exit_code"), 0);
            EXPECT_TRUE(line.at("not_downloaded").empty());
        }
    }
    EXPECT_EQ(counts["listed"], 5);
    EXPECT_EQ(counts["resolved"], 5);
    EXPECT_EQ(counts["started"], 5);
    EXPECT_EQ(counts["finished"], 5);
    EXPECT_EQ(counts["failed"], 0);
    EXPECT_EQ(counts["summary"], 1);
}

TEST_F(TerminalRun, ListPrintsEveryLectureAndExitCodesTellAnEmptyOrUnreachableCatalogue) {
    const Finished list = run({"list", courseAddress("141")});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_THAT(list.out, HasSubstr("4\t第4讲 指针*与引用\t解析失败\n"));
    EXPECT_THAT(list.out, HasSubstr("1\t第1讲 课程导论\t" +
                                    platform_->expectedPlayUrl(lecture("141", 1)) + "\n"));
    EXPECT_TRUE(fs::is_empty(folder_)) << "list saves nothing";

    const Finished empty = run({"list", courseAddress("404")});
    EXPECT_EQ(empty.exitCode, 3);
    EXPECT_THAT(empty.err, HasSubstr("未能列出"));

    // Nobody listens on the proxy's port: the catalogue cannot be reached.
    sample::SamplePlatform closed;
    const int port = closed.start();
    closed.stop();
    const Finished unreachable =
        runToEnd(LD_PROGRAM, {"download", courseAddress("141"), "-o", downloads()},
                 environment("http://127.0.0.1:" + std::to_string(port)));
    EXPECT_EQ(unreachable.exitCode, 3);
    EXPECT_FALSE(fs::exists(downloads())) << "a folder made for nothing stays";
}

TEST_F(TerminalRun, FailedLectureDoesNotStopTheBatch) {
    sample::SamplePlatformOptions options;
    options.failTargetsContaining = lecture("142", 2).videoId + ".flv";
    options.failStatus = 404;
    platform_->setOptions(options);
    const Finished run = this->run({"download", courseAddress("142"), "-o", downloads()});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("[2/5] 第2讲 栈与队列  下载失败"));
    EXPECT_THAT(run.out, HasSubstr("[5/5] 第5讲 查找与排序  下载完毕"));
    EXPECT_THAT(run.out, HasSubstr("未下载 1 讲\n  2  第2讲 栈与队列  下载失败"));
    EXPECT_FALSE(fs::exists(fs::path(downloads()) / "第2讲 栈与队列.flv"));
    EXPECT_TRUE(fs::exists(fs::path(downloads()) / "第5讲 查找与排序.flv"));
}

TEST_F(TerminalRun, InterruptKeepsThePartialFileAndTheSameCommandResumesIt) {
    sample::SamplePlatformOptions slow;
    slow.videoBytesPerSecond = 4 * 1024 * 1024;
    platform_->setOptions(slow);
    const std::vector<std::string> command = {"download", courseAddress("141"), "-o", downloads(),
                                              "--json"};
    ChildProcess first(LD_PROGRAM, command, environment());
    std::int64_t doneAtStop = 0;
    while (const auto line = first.readLine()) {
        const auto event = nlohmann::json::parse(*line);
        if (event.at("event") == "progress" && event.at("number") == 8 &&
            event.at("bytes_done") >= 8 * 1024 * 1024) {
            doneAtStop = event.at("bytes_done");
            first.signal(SIGINT);
            break;
        }
    }
    const Finished stopped = first.finish();
    ASSERT_EQ(stopped.exitCode, 130) << stopped.out << stopped.err;
    const auto summary = jsonLines(stopped.out).back();
    EXPECT_EQ(summary.at("event"), "summary");
    EXPECT_EQ(summary.at("interrupted"), true);
    EXPECT_TRUE(fs::exists(fs::path(downloads()) / (kCourseFiles.at(8) + ".xldl")));

    platform_->setOptions({});
    platform_->resetStatistics();
    const Finished resumed = run(command);
    EXPECT_EQ(resumed.exitCode, 1) << resumed.err;
    expectCourse141Saved();
    // Every finished lecture is passed by, and what was on disk at the stop
    // is not fetched again; data still in flight when the connections were
    // dropped may be (a few pieces at most).
    int skipped = 0;
    for (const nlohmann::json& line : jsonLines(resumed.out)) {
        skipped += line.at("event") == "skipped" ? 1 : 0;
    }
    EXPECT_EQ(skipped, 6);
    constexpr std::int64_t kInFlight = 1024 * 1024;
    EXPECT_LE(platform_->videoBytesServed(), lecture("141", 8).videoSize - doneAtStop + kInFlight)
        << "the interrupted file was fetched again from its start, or a finished one again";
}

TEST_F(TerminalRun, AReaderThatGoesAwayEndsTheRunAsAnInterruptDoes) {
    sample::SamplePlatformOptions slow;
    slow.videoBytesPerSecond = 4 * 1024 * 1024;
    platform_->setOptions(slow);
    const std::vector<std::string> command = {"download", courseAddress("141"), "-o", downloads()};
    ChildProcess first(LD_PROGRAM, command, environment());
    // As `| head` does: read up to the start of the last file (64 MiB), then
    // go away while it downloads. No line is due before that file ends.
    bool lastStarted = false;
    while (const auto line = first.readLine()) {
        if (line->starts_with("[7/7]") && line->find("开始下载") != std::string::npos) {
            lastStarted = true;
            break;
        }
    }
    ASSERT_TRUE(lastStarted);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    first.closeOutput();
    const Finished stopped = first.finish();
    ASSERT_EQ(stopped.endingSignal, 0);
    ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
    // The summary still reaches standard error.
    EXPECT_THAT(stopped.err, HasSubstr("已中断"));
    EXPECT_THAT(stopped.err, HasSubstr("下载完毕 6 讲，未下载 2 讲"));
    const fs::path partial = fs::path(downloads()) / (kCourseFiles.at(8) + ".xldl");
    EXPECT_TRUE(fs::exists(partial));
    EXPECT_TRUE(fs::exists(partial.string() + ".meta"));

    platform_->setOptions({});
    platform_->resetStatistics();
    const Finished resumed = run(command);
    EXPECT_EQ(resumed.exitCode, 1) << resumed.err;
    expectCourse141Saved();
    // Two seconds at 4 MiB/s a connection were kept, far more than this; the
    // six finished lectures are passed by.
    constexpr std::int64_t kSurelyKept = 2 * 1024 * 1024;
    EXPECT_LE(platform_->videoBytesServed(), lecture("141", 8).videoSize - kSurelyKept)
        << "the file was fetched again from its start, or a finished one again";
}

TEST_F(TerminalRun, MoreCtrlCAfterTheFirstChangeNothing) {
    sample::SamplePlatformOptions slow;
    slow.videoBytesPerSecond = 256 * 1024;
    platform_->setOptions(slow);
    // Each round stops in the middle of a file and the next resumes it.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ChildProcess child(LD_PROGRAM,
                           {"download", courseAddress("141"), "-o", downloads(), "--json"},
                           environment());
        while (const auto line = child.readLine()) {
            if (nlohmann::json::parse(*line).at("event") == "progress") {
                break;
            }
        }
        // A second Ctrl+C 10 ms after the first, then one every millisecond
        // until the program has ended: some arrive while it stops, some
        // while it ends (the sanitizers' leak check runs after main).
        child.signal(SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto began = std::chrono::steady_clock::now();
        while (!child.ended() &&
               std::chrono::steady_clock::now() - began < std::chrono::seconds(20)) {
            child.signal(SIGINT);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const Finished stopped = child.finish();
        EXPECT_EQ(stopped.endingSignal, 0) << "ended by a later signal";
        EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
        const auto lines = jsonLines(stopped.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().at("event"), "summary");
        EXPECT_EQ(lines.back().at("exit_code"), 130);
    }
}

TEST_F(TerminalRun, InterruptWhileTheCatalogueIsAwaitedEndsAtOnceWith130) {
    sample::SamplePlatformOptions slow;
    slow.answerDelay = std::chrono::seconds(5);
    platform_->setOptions(slow);
    ChildProcess child(LD_PROGRAM, {"list", courseAddress("142"), "--json"}, environment());
    // Give it time to block the signals and send its request; then it must
    // not wait for the answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    child.signal(SIGTERM);  // as a service manager stops it
    const Finished stopped = child.finish();
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    const auto lines = jsonLines(stopped.out);
    ASSERT_FALSE(lines.empty()) << "ended by the signal instead of handling it";
    EXPECT_EQ(lines.back().at("event"), "summary");
    EXPECT_EQ(lines.back().at("interrupted"), true);
    EXPECT_EQ(lines.back().at("exit_code"), 130);
}

TEST_F(TerminalRun, LiveLineOnATerminalIsRedrawnInPlaceAndNeverWraps) {
    const int columns = 40;
    const Finished run = runOnTerminal(
        LD_PROGRAM, {"download", courseAddress("142"), "-o", downloads()}, environment(), columns);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::vector<std::string> liveLines = liveLineStates(run.out);
    for (const std::string& piece : liveLines) {
        EXPECT_LE(displayWidth(piece), columns - 1) << piece;
    }
    EXPECT_GE(liveLines.size(), 5U);  // at least the start of every file
    EXPECT_THAT(run.out, HasSubstr("[1/5] 第1讲 线性表  下载完毕"));
}

TEST_F(TerminalRun, AFileTheEngineFinishesDespiteThePauseCountsAsDownloaded) {
    // The program beside a stand-in engine whose task runs until it is asked
    // to stop and then reports its file finished, as the engine does for a
    // file it was already renaming when the pause came.
    const fs::path programFolder = folder_ / "program";
    fs::create_directories(programFolder);
    fs::copy_file(LD_PROGRAM, programFolder / fs::path(LD_PROGRAM).filename());
    fs::create_symlink(XLDL_TEST_DOUBLE, programFolder / "libxldl.so");
    std::vector<std::string> env = environment();
    env.emplace_back("XLDL_TEST_DOUBLE_FINISH_ON_STOP=1");
    ChildProcess child((programFolder / fs::path(LD_PROGRAM).filename()).string(),
                       {"download", courseAddress("141"), "-o", downloads(), "--items", "1-2"},
                       env);
    while (const auto line = child.readLine()) {
        if (line->find("开始下载") != std::string::npos) {
            break;
        }
    }
    child.signal(SIGINT);
    const Finished stopped = child.finish();
    EXPECT_EQ(stopped.exitCode, 130) << "lecture 2 was not downloaded";
    EXPECT_THAT(stopped.out, HasSubstr("[1/2] 第1讲 课程导论  下载完毕"));
    EXPECT_THAT(stopped.out, HasSubstr("下载完毕 1 讲，未下载 1 讲"));
    EXPECT_THAT(stopped.out, HasSubstr("  2  第2讲 输入/输出: 基本概念  已中断"));
    EXPECT_THAT(stopped.out, Not(HasSubstr("  1  第1讲")));
}

TEST_F(TerminalRun, BadUsageExitsTwoWithUsageOnStandardError) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"download"}, {"list", courseAddress("141"), "--bogus"}, {"download", "a", "-o"}}) {
        const Finished bad = run(arguments);
        EXPECT_EQ(bad.exitCode, 2);
        EXPECT_THAT(bad.err, HasSubstr("用法"));
        EXPECT_EQ(bad.out, "");
    }
    const Finished help = run({"download", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("用法"));
}

TEST_F(TerminalRun, TheProgramItselfListsWithoutADisplay) {
    const Finished list = runToEnd(LD_PROGRAM, {"list", courseAddress("142")}, environment());
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_THAT(list.out, HasSubstr("5\t第5讲 查找与排序\t"));
    EXPECT_THAT(list.err, Not(HasSubstr("qt.qpa")));
}

}  // namespace
}  // namespace ld::cli_test

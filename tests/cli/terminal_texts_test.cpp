// The terminal mode's pieces that need no server: the command line, the
// widths and cuts of terminal text, the progress texts and the three reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/terminal/display_text.h"
#include "app/terminal/session_report.h"
#include "app/terminal/terminal_options.h"
#include "app/terminal/transfer_text.h"

namespace ld {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Outcome = ParsedTerminalArguments::Outcome;

ParsedTerminalArguments parse(std::vector<std::string_view> arguments) {
    return parseTerminalArguments(arguments);
}

TEST(TerminalOptions, CommandsWithTheirOptions) {
    const auto list = parse({"list", "http://x/?courseId=141"});
    ASSERT_EQ(list.outcome, Outcome::run);
    EXPECT_EQ(list.options.command, TerminalCommand::list);
    EXPECT_EQ(list.options.courseAddress, "http://x/?courseId=141");
    EXPECT_FALSE(list.options.json);

    const auto download = parse({"download", "--json", "a?courseId=1", "--output", "下载 目录"});
    ASSERT_EQ(download.outcome, Outcome::run);
    EXPECT_EQ(download.options.command, TerminalCommand::download);
    EXPECT_EQ(download.options.courseAddress, "a?courseId=1");
    EXPECT_EQ(download.options.outputFolder, "下载 目录");
    EXPECT_TRUE(download.options.json);

    EXPECT_EQ(parse({"download", "a", "-o", "d"}).options.outputFolder, "d");
    EXPECT_EQ(parse({"download", "a", "--output=d"}).options.outputFolder, "d");
    // After "--" an address may start with a dash.
    EXPECT_EQ(parse({"list", "--", "-odd"}).options.courseAddress, "-odd");
}

TEST(TerminalOptions, HelpForEveryCommand) {
    for (const auto& arguments : std::vector<std::vector<std::string_view>>{
             {"list", "--help"}, {"download", "-h"}, {"download", "addr", "--help"}}) {
        const auto parsed = parse(arguments);
        EXPECT_EQ(parsed.outcome, Outcome::showHelp);
        EXPECT_THAT(parsed.text, HasSubstr("用法"));
    }
}

TEST(TerminalOptions, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<std::string_view> arguments;
        const char* complaint;
    };
    const std::vector<Case> cases = {
        {{"list"}, "缺少课程地址"},
        {{"download", "--json"}, "缺少课程地址"},
        {{"list", "a", "--bogus"}, "未知选项: --bogus"},
        {{"list", "a", "--output", "d"}, "未知选项: --output"},  // list saves nothing
        {{"download", "a", "--output"}, "缺少目录"},
        {{"download", "a", "--output="}, "目录为空"},
        {{"download", "a", "-o", "d", "-o", "e"}, "只能给一次"},
        {{"list", "a", "b"}, "多余的参数: b"},
        {{"list", ""}, "课程地址为空"},
        {{"fetch", "a"}, "未知命令: fetch"},
        {{}, "缺少命令"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse(c.arguments);
        EXPECT_EQ(parsed.outcome, Outcome::usageError) << c.complaint;
        EXPECT_THAT(parsed.text, HasSubstr(c.complaint));
        EXPECT_THAT(parsed.text, HasSubstr("用法"));
    }
    EXPECT_TRUE(isTerminalCommand(std::vector<std::string_view>{"download"}));
    EXPECT_FALSE(isTerminalCommand(std::vector<std::string_view>{"--screenshots"}));
    EXPECT_FALSE(isTerminalCommand(std::vector<std::string_view>{}));
}

TEST(DisplayText, WideCharactersTakeTwoColumnsAndCutsKeepCharactersWhole) {
    EXPECT_EQ(displayWidth("abc"), 3);
    EXPECT_EQ(displayWidth("第5讲"), 5);
    EXPECT_EQ(displayWidth("：（）"), 6);   // full-width punctuation
    EXPECT_EQ(displayWidth("e\u0301"), 1);  // combining accent
    EXPECT_EQ(fitToColumns("第5讲 大文件", 4), "第5");
    EXPECT_EQ(fitToColumns("第5讲 大文件", 5), "第5讲");
    EXPECT_EQ(fitToColumns("第5讲", 1), "");  // half a wide character is no character
    EXPECT_EQ(fitToColumns("abc", 10), "abc");
}

TEST(DisplayText, ControlCharactersFromServersAreBlanked) {
    EXPECT_EQ(printableText("a\x1b[2Jb\rc\nd\te\x7f"), "a [2Jb c d e ");
    EXPECT_EQ(printableText("\xc2\x9b"
                            "31m"),
              " 31m");                             // C1 CSI
    EXPECT_EQ(printableText("x\xff"), "x\uFFFD");  // not UTF-8
    EXPECT_EQ(printableText("第1讲"), "第1讲");
}

TEST(TransferText, PercentSizesSpeedAndTimeLeftInTheWindowsUnits) {
    EXPECT_EQ(percentText(0, 0), "0%");
    EXPECT_EQ(percentText(37, 100), "37%");
    EXPECT_EQ(percentText(999, 1000), "99%");  // rounded down: 100% only when complete
    EXPECT_EQ(percentText(150, 100), "100%");
    EXPECT_EQ(percentText(1, INT64_MAX), "0%");
    EXPECT_EQ(sizeProgressText(18664652, 50331648), "17.80MB/48.00MB");
    EXPECT_EQ(speedPerSecondText(4 * 1048576), "4MB/s");
    EXPECT_EQ(speedPerSecondText(512 * 1024), "512KB/s");
    EXPECT_EQ(remainingText(0, 100, 0), "");
    EXPECT_EQ(remainingText(0, 0, 100), "");
    EXPECT_EQ(remainingText(0, 800, 100), "剩余 0:08");
    EXPECT_EQ(remainingText(0, 3723, 1), "剩余 1:02:03");
    EXPECT_EQ(
        liveTransferLine(
            {3, 9, 5, "第5讲 大文件", "第5讲 大文件.flv", 18664652, 50331648, 4 * 1048576}, 80),
        "[3/9] 第5讲 大文件  37%  17.80MB/48.00MB  4MB/s  剩余 0:08");
}

TEST(TransferText, ANarrowLineShortensTheTitleAndKeepsEveryFigure) {
    const LectureTransfer transfer{7,       7,        8,        "第8讲 期末复习：综合练习",
                                   "x.flv", 30209229, 67108864, 27 * 1048576};
    const std::string figures = "45%  28.81MB/64.00MB  27MB/s  剩余 0:02";
    EXPECT_EQ(transferFigures(transfer), figures);
    for (const int columns : {79, 60, 52, 50}) {
        SCOPED_TRACE(columns);
        const std::string line = liveTransferLine(transfer, columns);
        EXPECT_LE(displayWidth(line), columns);
        EXPECT_TRUE(line.starts_with("[7/7] 第")) << line;
        EXPECT_TRUE(line.ends_with("  " + figures)) << line;
    }
    EXPECT_THAT(liveTransferLine(transfer, 52), HasSubstr("..."));
    // Narrower than the figures themselves: cut at the edge, never wider.
    EXPECT_LE(displayWidth(liveTransferLine(transfer, 20)), 20);

    LectureTransfer connecting = transfer;
    connecting.bytesDone = 0;
    connecting.bytesTotal = 0;
    EXPECT_EQ(liveTransferLine(connecting, 79), "[7/7] 第8讲 期末复习：综合练习  连接中");
    LectureTransfer unsized = connecting;
    unsized.bytesDone = 1258291;
    EXPECT_EQ(transferFigures(unsized), "1.20MB  27MB/s");
}

// A run of events as the session reports them, with a title that tries to
// steer the terminal.
void playRun(SessionReport& report) {
    const std::string hostile = "第2讲 \x1b[31m红\x07";
    report.listed({1, "第1讲", "", false, false});
    report.listed({2, hostile, "", false, false});
    report.resolved({1, "第1讲", "http://v/1.flv", true, false});
    report.resolving(1, 2);
    report.resolved({2, hostile, "", true, true});
    report.resolving(2, 2);
    const LectureTransfer first{1,           1, 1, "第1讲 一个很长很长很长很长很长的标题",
                                "第1讲.flv", 0, 0, 0};
    report.started(first);
    LectureTransfer half = first;
    half.bytesDone = 500;
    half.bytesTotal = 1000;
    half.bytesPerSecond = 100;
    report.progress(half);
    LectureTransfer done = half;
    done.bytesDone = 1000;
    report.finished(done);
    SessionSummary summary;
    summary.lectures = 2;
    summary.downloaded = 1;
    summary.missed = {{2, hostile, "解析失败"}};
    summary.exitCode = 1;
    report.summary(summary);
}

std::string reportOf(ReportStyle style, int columns = 80) {
    std::ostringstream out;
    std::ostringstream errors;
    auto report = makeSessionReport(style, false,
                                    ReportTarget{out, errors, [columns] { return columns; }, {}});
    playRun(*report);
    return out.str();
}

TEST(SessionReports, PlainLinesHoldNoControlCharacters) {
    const std::string out = reportOf(ReportStyle::plainLines);
    for (const char c : out) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 || c == '\n' || c == '\t') << "byte " << int(byte);
        EXPECT_NE(byte, 0x7f);
    }
    EXPECT_THAT(out, HasSubstr("下载完毕"));
    EXPECT_THAT(out, HasSubstr("2\t第2讲  [31m红 \t解析失败"));
    EXPECT_THAT(out, HasSubstr("下载完毕 1 讲，未下载 1 讲"));
}

TEST(SessionReports, LiveLineIsRedrawnInPlaceAndNeverWiderThanTheTerminal) {
    const int columns = 30;
    const std::string out = reportOf(ReportStyle::liveTerminal, columns);
    // Pieces between two line erasures: a settled line ends with a newline,
    // a live line does not and must leave the last column free.
    const std::string erase = "\r\x1b[K";
    int liveLines = 0;
    std::size_t at = 0;
    while ((at = out.find(erase, at)) != std::string::npos) {
        at += erase.size();
        const std::size_t next = out.find(erase, at);
        const std::string piece = out.substr(at, next == std::string::npos ? next : next - at);
        if (!piece.empty() && piece.find('\n') == std::string::npos) {
            ++liveLines;
            EXPECT_LE(displayWidth(piece), columns - 1) << piece;
        }
    }
    EXPECT_GE(liveLines, 3);  // resolving, started, progress
    EXPECT_EQ(out.find('\x07'), std::string::npos);
    EXPECT_THAT(out, HasSubstr("[1/1] 第1讲 一个很长很长很长很长很长的标题  下载完毕"));
}

TEST(SessionReports, JsonLinesParseAndCarryEveryEvent) {
    std::istringstream lines(reportOf(ReportStyle::jsonLines));
    std::vector<std::string> events;
    std::string line;
    while (std::getline(lines, line)) {
        const auto object = nlohmann::json::parse(line);  // throws on a bad line
        events.push_back(object.at("event").get<std::string>());
        if (events.back() == "finished") {
            EXPECT_EQ(object.at("bytes_done"), 1000);
            EXPECT_EQ(object.at("bytes_total"), 1000);
            EXPECT_EQ(object.at("file"), "第1讲.flv");
            EXPECT_EQ(object.at("number"), 1);
        }
        if (events.back() == "resolved" && object.at("number") == 2) {
            EXPECT_TRUE(object.at("address").is_null());
            EXPECT_EQ(object.at("status"), "解析失败");
            EXPECT_EQ(object.at("title"), "第2讲 \x1b[31m红\x07");  // escaped, not lost
        }
        if (events.back() == "summary") {
            EXPECT_EQ(object.at("exit_code"), 1);
            EXPECT_EQ(object.at("not_downloaded").at(0).at("reason"), "解析失败");
        }
    }
    EXPECT_EQ(events, (std::vector<std::string>{"listed", "listed", "resolved", "resolved",
                                                "started", "progress", "finished", "summary"}));
}

TEST(SessionReports, OnceTheOutputIsGoneTheSummaryGoesToStandardError) {
    for (const ReportStyle style :
         {ReportStyle::liveTerminal, ReportStyle::plainLines, ReportStyle::jsonLines}) {
        for (const bool writeFails : {false, true}) {
            SCOPED_TRACE(static_cast<int>(style) * 2 + (writeFails ? 1 : 0));
            std::ostringstream out;
            std::ostringstream errors;
            bool readerGone = false;
            auto report = makeSessionReport(
                style, false,
                ReportTarget{out, errors, [] { return 80; }, [&readerGone] { return readerGone; }});
            EXPECT_FALSE(report->outputLost());
            // The reader goes away; a write may or may not have failed yet.
            readerGone = !writeFails;
            if (writeFails) {
                out.setstate(std::ios::badbit);
            }
            EXPECT_TRUE(report->outputLost());
            SessionSummary summary;
            summary.lectures = 2;
            summary.downloaded = 1;
            summary.missed = {{2, "第2讲", "已中断"}};
            summary.interrupted = true;
            summary.exitCode = 130;
            report->summary(summary);
            EXPECT_THAT(errors.str(),
                        HasSubstr(style == ReportStyle::jsonLines ? "\"exit_code\":130"
                                                                  : "下载完毕 1 讲，未下载 1 讲"));
            EXPECT_THAT(errors.str(), HasSubstr("已中断"));
            EXPECT_THAT(out.str(), Not(HasSubstr("已中断")));
        }
    }
}

}  // namespace
}  // namespace ld

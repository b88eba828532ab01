// What the terminal decides by itself, without a server: which lectures
// --items chooses, which files are already complete, the speed it shows, the
// folder it saves into, and the lines a pipe gets during a long file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/terminal/complete_file_gate.h"
#include "app/terminal/file_mark.h"
#include "app/terminal/item_selection.h"
#include "app/terminal/output_folder.h"
#include "app/terminal/recent_speed.h"
#include "app/terminal/remote_file_facts.h"
#include "app/terminal/session_report.h"
#include "app/terminal/terminal_options.h"
#include "text/codepage.h"

namespace ld {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Outcome = ParsedTerminalArguments::Outcome;

std::vector<int> chosenOf(const ItemSelection& selection, int lectures) {
    std::vector<int> chosen;
    for (int number = 1; number <= lectures; ++number) {
        if (selection.contains(number)) {
            chosen.push_back(number);
        }
    }
    return chosen;
}

TEST(ItemSelection, NumbersRangesAndOpenEnds) {
    const auto selection = ItemSelection::parse("1-3,7, 10-");
    ASSERT_TRUE(selection);
    EXPECT_FALSE(selection->everything());
    EXPECT_EQ(chosenOf(*selection, 12), (std::vector<int>{1, 2, 3, 7, 10, 11, 12}));
    EXPECT_EQ(selection->problemFor(12), "");
    EXPECT_EQ(chosenOf(*ItemSelection::parse("4"), 8), (std::vector<int>{4}));
    EXPECT_EQ(chosenOf(*ItemSelection::parse("2-2,2"), 3), (std::vector<int>{2}));
    EXPECT_EQ(chosenOf(ItemSelection(), 3), (std::vector<int>{1, 2, 3}));
}

TEST(ItemSelection, MalformedListsAndNumbersTheCourseLacks) {
    for (const char* bad : {"", ",", "1,", ",1", "0", "-3", "3-1", "a", "1-b", "1.5", "+2", "1--3",
                            "99999999999", " "}) {
        EXPECT_FALSE(ItemSelection::parse(bad)) << bad;
    }
    EXPECT_THAT(ItemSelection::parse("1-3,9")->problemFor(8), HasSubstr("没有第 9 讲（共 8 讲）"));
    EXPECT_THAT(ItemSelection::parse("5-12")->problemFor(8), HasSubstr("没有第 9 讲"));
    EXPECT_THAT(ItemSelection::parse("9-")->problemFor(8), HasSubstr("没有第 9 讲"));
    EXPECT_EQ(ItemSelection::parse("8-")->problemFor(8), "");
}

TEST(TerminalOptions, ItemsAndForce) {
    const std::vector<std::string_view> download{"download", "a?courseId=1", "--items", "2-3",
                                                 "--force"};
    const auto parsed = parseTerminalArguments(download);
    ASSERT_EQ(parsed.outcome, Outcome::run) << parsed.text;
    EXPECT_TRUE(parsed.options.force);
    EXPECT_EQ(chosenOf(parsed.options.items, 5), (std::vector<int>{2, 3}));

    const std::vector<std::string_view> list{"list", "a?courseId=1", "--items=4"};
    EXPECT_EQ(chosenOf(parseTerminalArguments(list).options.items, 5), (std::vector<int>{4}));

    for (const std::vector<std::string_view>& bad : std::vector<std::vector<std::string_view>>{
             {"download", "a", "--items"},
             {"download", "a", "--items", "1,,2"},
             {"download", "a", "--items", "1", "--items", "2"},
             {"list", "a", "--force"}}) {
        const auto refused = parseTerminalArguments(bad);
        EXPECT_EQ(refused.outcome, Outcome::usageError) << bad.back();
        EXPECT_THAT(refused.text, HasSubstr("用法"));
    }
}

TEST(RecentSpeed, ASteadyRateReadsSteadyAndTheStartIsMeasuredFromTheStart) {
    using namespace std::chrono_literals;
    RecentSpeed speed;
    const auto start = RecentSpeed::Clock::time_point{} + 1h;
    EXPECT_EQ(speed.bytesPerSecond(), 0);
    // 4 MiB/s arriving in pieces of a tenth of a second, looked at every 10 ms.
    constexpr std::int64_t kRate = 4 * 1024 * 1024;
    for (int ms = 0; ms <= 20'000; ms += 10) {
        const std::int64_t bytes = kRate * (ms / 100) / 10;
        speed.note(start + std::chrono::milliseconds(ms), bytes);
        if (ms >= 1000 && ms % 1000 == 0) {
            EXPECT_NEAR(static_cast<double>(speed.bytesPerSecond()), kRate, kRate * 0.1) << ms;
        }
    }
    // The file started over: measured afresh.
    speed.note(start + 20'010ms, 0);
    EXPECT_EQ(speed.bytesPerSecond(), 0);
    speed.note(start + 21'010ms, 1000);
    EXPECT_EQ(speed.bytesPerSecond(), 1000);
}

TEST(FileMark, TextRoundTripAndForeignText) {
    const FileMark mark{"http://v/a.flv", 1234, "\"e1\"", "Tue, 01 Dec 2026 10:00:00 GMT"};
    const auto back = parseMark(markText(mark));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->resource, mark.resource);
    EXPECT_EQ(back->length, 1234);
    EXPECT_EQ(back->etag, mark.etag);
    EXPECT_EQ(back->lastModified, mark.lastModified);
    EXPECT_FALSE(parseMark("something else"));
    EXPECT_FALSE(parseMark("lecture-downloader file 1\nresource x\nlength 12z\n"));
    EXPECT_EQ(resourceOf("http://v/a.flv?key=1&amp;t=2"), "http://v/a.flv");
    // A server's header cannot add a line of its own.
    const auto injected = parseMark(markText({"http://v/a.flv", 5, "\"x\"\nlength 9", ""}));
    ASSERT_TRUE(injected);
    EXPECT_EQ(injected->length, 5);
}

TEST(RemoteFileFacts, LengthFromAWholeAnswerOrFromTheRangeOfItsFirstByte) {
    const auto whole =
        factsFromHeaders(200, "HTTP/1.1 200 OK\r\nContent-Length: 500\r\nETag: \"a\"\r\n\r\n");
    EXPECT_TRUE(whole.known);
    EXPECT_EQ(whole.length, 500);
    EXPECT_EQ(whole.etag, "\"a\"");
    const auto first = factsFromHeaders(
        206,
        "HTTP/1.1 206 Partial\r\nContent-Length: 1\r\nContent-Range: bytes 0-0/777\r\n"
        "Last-Modified: x\r\n");
    EXPECT_EQ(first.length, 777);
    EXPECT_EQ(first.lastModified, "x");
    EXPECT_FALSE(factsFromHeaders(206, "HTTP/1.1 206 P\r\nContent-Range: bytes 0-0/*\r\n").known);
    EXPECT_FALSE(factsFromHeaders(404, "HTTP/1.1 404 No\r\nContent-Length: 9\r\n").known);
    EXPECT_FALSE(factsFromHeaders(200, "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n").known);
}

class GateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("gate-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    void writeFile(const std::string& name, std::size_t size) const {
        std::ofstream(folder_ / name, std::ios::binary) << std::string(size, 'v');
    }
    // Asks the gate about row 0 saved as `name` from `address`.
    RowVerdict admit(CompleteFileGate& gate, const std::string& name,
                     const std::string& address = "http://v/a.flv?key=1") {
        folderText_ = utf8ToGbk(folder_.string() + "/");
        nameText_ = utf8ToGbk(name);
        addressText_ = utf8ToGbk(address);
        return gate.admit(0, RowFile{folderText_, nameText_, addressText_});
    }
    void finish(CompleteFileGate& gate) {
        gate.finished(0, RowFile{folderText_, nameText_, addressText_});
    }
    CompleteFileGate::Probe serverSays(std::int64_t length, std::string etag = "") {
        return [this, length, etag](const std::string& url, const std::atomic<bool>&) {
            asked_.push_back(url);
            return RemoteFileFacts{length >= 0, length, etag, ""};
        };
    }

    fs::path folder_;
    Text folderText_;
    Text nameText_;
    Text addressText_;
    std::vector<std::string> asked_;
};

TEST_F(GateTest, ACompleteFileIsPassedByAndAnythingInDoubtDownloads) {
    writeFile("a.flv", 100);
    CompleteFileGate same({true}, false, serverSays(100));
    const RowVerdict verdict = admit(same, "a.flv");
    EXPECT_FALSE(verdict.download);
    EXPECT_TRUE(verdict.fileComplete);
    EXPECT_EQ(gbkToUtf8(verdict.statusText), kSkippedStatus);
    EXPECT_EQ(same.completeLengthOf(0), 100);
    EXPECT_EQ(same.fileNameOf(0), "a.flv");
    EXPECT_EQ(asked_, (std::vector<std::string>{"http://v/a.flv?key=1"}));

    CompleteFileGate longer({true}, false, serverSays(101));
    EXPECT_TRUE(admit(longer, "a.flv").download);
    CompleteFileGate unknown({true}, false, serverSays(-1));
    EXPECT_TRUE(admit(unknown, "a.flv").download);
    CompleteFileGate missing({true}, false, serverSays(100));
    EXPECT_TRUE(admit(missing, "b.flv").download);
    CompleteFileGate forced({true}, true, serverSays(100));
    EXPECT_TRUE(admit(forced, "a.flv").download);

    // Partial data or a resume record beside it: the engine resumes it.
    for (const char* beside : {"a.flv.xldl", "a.flv.xldl.meta"}) {
        writeFile(beside, 10);
        CompleteFileGate gate({true}, false, serverSays(100));
        EXPECT_TRUE(admit(gate, "a.flv").download) << beside;
        fs::remove(folder_ / beside);
    }
    // A folder or a link under the name is no complete file.
    fs::create_directory(folder_ / "d.flv");
    CompleteFileGate folderGate({true}, false, serverSays(4096));
    EXPECT_TRUE(admit(folderGate, "d.flv").download);
    fs::create_symlink(folder_ / "a.flv", folder_ / "l.flv");
    CompleteFileGate linkGate({true}, false, serverSays(100));
    EXPECT_TRUE(admit(linkGate, "l.flv").download);
}

TEST_F(GateTest, RowsNotChosenArePassedByWithoutAskingTheServer) {
    CompleteFileGate gate({false}, false, serverSays(100));
    const RowVerdict verdict = admit(gate, "a.flv");
    EXPECT_FALSE(verdict.download);
    EXPECT_FALSE(verdict.fileComplete);
    EXPECT_EQ(gbkToUtf8(verdict.statusText), kNotChosenStatus);
    EXPECT_TRUE(asked_.empty());
    CompleteFileGate beyond({}, false, serverSays(100));
    EXPECT_FALSE(admit(beyond, "a.flv").download);
}

TEST_F(GateTest, AFinishedFileKeepsTheValidatorsAskedBeforeItsDownload) {
    CompleteFileGate first({true}, false, serverSays(100, "\"v1\""));
    ASSERT_TRUE(admit(first, "a.flv").download);
    writeFile("a.flv", 100);  // as the engine finishes it
    finish(first);
    const auto mark = readFileMark(folder_ / "a.flv");
    if (!mark) {
        GTEST_SKIP() << "this file system keeps no extended attributes";
    }
    EXPECT_EQ(mark->etag, "\"v1\"");
    EXPECT_EQ(mark->resource, "http://v/a.flv");

    CompleteFileGate unchanged({true}, false, serverSays(100, "\"v1\""));
    EXPECT_FALSE(admit(unchanged, "a.flv").download);
    // The same length under another validator: the server's file changed.
    CompleteFileGate changed({true}, false, serverSays(100, "\"v2\""));
    EXPECT_TRUE(admit(changed, "a.flv").download);
    // A server that stopped sending validators: the length decides.
    CompleteFileGate silent({true}, false, serverSays(100));
    EXPECT_FALSE(admit(silent, "a.flv").download);
    // The file now holds another resource's data.
    CompleteFileGate other({true}, false, serverSays(100, "\"v1\""));
    EXPECT_TRUE(admit(other, "a.flv", "http://v/other.flv?key=1").download);

    // A file that came out of another length than announced gets no mark.
    CompleteFileGate moved({true}, true, serverSays(100, "\"v3\""));
    ASSERT_TRUE(admit(moved, "b.flv").download);
    writeFile("b.flv", 120);
    finish(moved);
    EXPECT_FALSE(readFileMark(folder_ / "b.flv"));
}

TEST_F(GateTest, TheOutputFolderIsCreatedOrRefusedWithItsReason) {
    const fs::path nested = folder_ / "新 目录" / "下";
    const PreparedOutputFolder prepared = prepareOutputFolder(nested.string());
    EXPECT_EQ(prepared.problem, "");
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(fs::is_empty(nested)) << "the probe file stays";
    EXPECT_EQ(prepared.outermostCreated, folder_ / "新 目录");
    EXPECT_TRUE(prepareOutputFolder(nested.string()).outermostCreated.empty())
        << "a folder that was there is not the command's to remove";

    writeFile("plain", 1);
    EXPECT_THAT(prepareOutputFolder((folder_ / "plain" / "sub").string()).problem,
                HasSubstr("无法使用保存目录"));
    EXPECT_THAT(prepareOutputFolder((folder_ / "plain").string()).problem, HasSubstr("不是文件夹"));
    if (::geteuid() != 0) {  // root writes anywhere
        fs::create_directory(folder_ / "locked");
        fs::permissions(folder_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THAT(prepareOutputFolder((folder_ / "locked").string()).problem,
                    HasSubstr("没有写入权限"));
        EXPECT_FALSE(fs::exists(folder_ / "locked" / "x"));
        fs::permissions(folder_ / "locked", fs::perms::owner_all);
    }
}

TEST_F(GateTest, OnlyTheEmptyFoldersTheCommandCreatedAreRemovedAgain) {
    fs::create_directory(folder_ / "there");
    const PreparedOutputFolder deep = prepareOutputFolder((folder_ / "there" / "a" / "b").string());
    ASSERT_EQ(deep.problem, "");
    removeUnusedOutputFolders(deep);
    EXPECT_FALSE(fs::exists(folder_ / "there" / "a"));
    EXPECT_TRUE(fs::is_directory(folder_ / "there"));

    // Something saved inside keeps the folder and those above it.
    const PreparedOutputFolder used = prepareOutputFolder((folder_ / "there" / "c" / "d").string());
    writeFile("there/c/d/第1讲.flv", 10);
    removeUnusedOutputFolders(used);
    EXPECT_TRUE(fs::exists(folder_ / "there" / "c" / "d" / "第1讲.flv"));
    // A file beside the inner folder keeps the outer one.
    const PreparedOutputFolder side = prepareOutputFolder((folder_ / "e" / "f").string());
    writeFile("e/note.txt", 1);
    removeUnusedOutputFolders(side);
    EXPECT_FALSE(fs::exists(folder_ / "e" / "f"));
    EXPECT_TRUE(fs::exists(folder_ / "e" / "note.txt"));
    // A folder that was there stays, empty or not.
    const PreparedOutputFolder existing = prepareOutputFolder((folder_ / "there").string());
    removeUnusedOutputFolders(existing);
    EXPECT_TRUE(fs::is_directory(folder_ / "there"));
}

TEST(SessionReports, APipeGetsTheFiguresOfALongFileEveryTenSeconds) {
    std::ostringstream out;
    std::ostringstream errors;
    auto report = makeSessionReport(ReportStyle::plainLines, false,
                                    ReportTarget{out, errors, [] { return 80; }, {}});
    LectureTransfer transfer{1, 1, 8, "第8讲", "第8讲.flv", 0, 64 * 1048576, 0, 0};
    report->started(transfer);
    for (int second = 1; second <= 25; ++second) {
        transfer.elapsedMilliseconds = second * 1000;
        transfer.bytesDone = second * 1048576;
        transfer.bytesPerSecond = 1048576;
        report->progress(transfer);
    }
    std::istringstream lines(out.str());
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) {
        all.push_back(line);
    }
    ASSERT_EQ(all.size(), 3u) << out.str();
    EXPECT_EQ(all[1], "[1/1] 第8讲  15%  10.00MB/64.00MB  1MB/s  剩余 0:54");
    EXPECT_EQ(all[2], "[1/1] 第8讲  31%  20.00MB/64.00MB  1MB/s  剩余 0:44");

    LectureTransfer skipped{2, 3, 4, "第4讲", "第4讲.flv", 10, 10, 0, 0};
    report->skipped(skipped);
    EXPECT_THAT(out.str(), HasSubstr("[2/3] 第4讲  已存在，跳过  第4讲.flv\n"));
}

}  // namespace
}  // namespace ld

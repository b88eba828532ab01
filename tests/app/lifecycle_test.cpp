#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "app/fatal_stop_text.h"
#include "app/globals.h"
#include "app/program_folder.h"
#include "download/download_engine.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

// Records the calls it receives; init answers what the test sets.
class RecordingEngine final : public DownloadEngine {
  public:
    std::int32_t init() override {
        calls.emplace_back("init");
        return initResult;
    }
    std::int32_t unInit() override {
        calls.emplace_back("unInit");
        return 1;
    }
    std::uint32_t createTask(const void*) override {
        calls.emplace_back("createTask");
        return 1;
    }
    std::int32_t startTask(std::uint32_t) override {
        calls.emplace_back("startTask");
        return 1;
    }
    std::int32_t stopTask(std::uint32_t) override {
        calls.emplace_back("stopTask");
        return 1;
    }
    std::int32_t queryTaskInfo(std::uint32_t, void*) override {
        calls.emplace_back("queryTaskInfo");
        return 0;
    }

    std::vector<std::string> calls;
    std::int32_t initResult = 1;
};

TEST(ProgramFolder, IsTheExecutablesPathCutBeforeItsLastSeparator) {
    EXPECT_EQ(programFolderOf("/opt/lecture downloader/lecture-downloader"),
              "/opt/lecture downloader");
    EXPECT_EQ(programFolderOf("/home/u/bin/ld"), "/home/u/bin");
    EXPECT_EQ(programFolderOf("/lecture-downloader"), "/");  // the root folder keeps its name
    EXPECT_EQ(programFolderOf("lecture-downloader"), "");
}

TEST(ProgramFolder, SaveFolderFallsBackToTheUsersDownloadsOnlyWhenTheProgramFolderIsReadOnly) {
    EXPECT_EQ(initialSaveFolder("/opt/ld", true, "/home/u/Downloads"), "/opt/ld");
    EXPECT_EQ(initialSaveFolder("/usr/lib/lecture-downloader", false, "/home/u/Downloads"),
              "/home/u/Downloads");
    EXPECT_EQ(initialSaveFolder("/usr/lib/lecture-downloader", false, ""),
              "/usr/lib/lecture-downloader");
}

class Lifecycle : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(Lifecycle, CreatedInitialisesTheEngineAndShowsTheProgramFolderEvenWhenInitFails) {
    RecordingEngine engine;
    engine.initResult = GetParam();
    MemoryWindow window;
    Globals globals(engine, gbk("/opt/课程"));
    wireEvents(window, globals);

    ASSERT_TRUE(window.fire(Event::created));
    EXPECT_EQ(engine.calls, std::vector<std::string>{"init"});
    EXPECT_EQ(window.getText(kSaveFolderBox), gbk("/opt/课程"));

    ASSERT_TRUE(window.fire(Event::aboutToBeDestroyed));
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"init", "unInit"}));
}

INSTANTIATE_TEST_SUITE_P(InitResults, Lifecycle, ::testing::Values(1, 0));

TEST(Lifecycle, DownloadListEditsAreWired) {
    RecordingEngine engine;
    MemoryWindow window;
    Globals globals(engine, Text("/p"));
    wireEvents(window, globals);
    EXPECT_TRUE(window.fire(kDownloadListDoubleClicked));
    EXPECT_TRUE(window.fire(kClearDownloadListClicked));
}

TEST(Lifecycle, ReleaseGlobalsFreesBothRecordsAndTheTexts) {
    RecordingEngine engine;
    Globals globals(engine, Text("/p"));
    EXPECT_EQ(globals.shared.currentRow, 0);
    EXPECT_EQ(globals.queue.taskHandle, 0u);
    EXPECT_EQ(globals.queue.taskInfoRecord.taskAddress(), nullptr);  // created empty
    globals.queue.taskCreateRecord.defineFields(Text("u"));
    globals.queue.taskInfoRecord.defineFields();
    globals.queue.currentAddress = Text("u");
    globals.queue.currentFileName = Text("a.flv");
    globals.queue.currentFolder = Text("/p\\");

    releaseGlobals(globals);
    EXPECT_EQ(globals.queue.taskCreateRecord.taskAddress(), nullptr);
    EXPECT_EQ(globals.queue.taskInfoRecord.taskAddress(), nullptr);
    EXPECT_TRUE(globals.queue.currentAddress.empty());
    EXPECT_TRUE(globals.queue.currentFileName.empty());
    EXPECT_TRUE(globals.queue.currentFolder.empty());
}

TEST(FatalStop, TextFramesTheMessage) {
    EXPECT_EQ(fatalStopText(gbk("载入启动窗口失败")),
              gbk("运行时出错!\n\n错误信息：载入启动窗口失败\n"));
}

}  // namespace
}  // namespace ld

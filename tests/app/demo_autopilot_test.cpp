// The demo's autopilot, the same for every window, stepped by hand on the
// in-memory window: the stages it goes through, what it clicks, the pictures
// it asks for, the lines it prints and how it ends.
#include "app/demo_autopilot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/memory_window.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

// The in-memory window with what a real window adds for the autopilot.
class FakeDemoWindow final : public DemoWindow {
  public:
    Controls& controls() override { return window; }
    void click(Control button) override {
        clicks.push_back(button);
        for (const auto& [control, event] : kClicks) {
            if (control == button && window.isEnabled(button)) {
                window.fire(event);
            }
        }
    }
    void showPage(int page) override { page_ = page; }
    int currentPage() override { return page_; }
    bool savePicture(int page, const fs::path& file) override {
        pictures.emplace_back(page, file.filename().string());
        return true;
    }
    void answerDialogs(std::function<Text(const Text&)> folder,
                       std::function<void(const Text&)> message) override {
        chooseFolder = std::move(folder);
        showMessage = std::move(message);
    }
    void endRun(int code) override { exitCode = code; }

    MemoryWindow window;
    std::vector<Control> clicks;
    std::vector<std::pair<int, std::string>> pictures;
    std::function<Text(const Text&)> chooseFolder;
    std::function<void(const Text&)> showMessage;
    int exitCode = -1;

  private:
    static constexpr std::pair<Control, Event> kClicks[] = {
        {kSearchButton, kSearchClicked}, {kRemoveFailedButton, kRemoveFailedClicked},
        {kAddAllButton, kAddAllClicked}, {kBrowseButton, kBrowseClicked},
        {kStartButton, kStartClicked},
    };
    int page_ = 0;
};

class Autopilot : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("demo-autopilot-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        // The program's part, reduced: one lecture resolves, one fails.
        Controls& controls = demo.window;
        controls.setHandler(kSearchClicked, [&controls] {
            for (const char* address : {"http://v/1.flv", "解析失败"}) {
                const int row = controls.appendRow(kParseList);
                controls.setCellText(kParseList, row, kParseTitleColumn, gbk("第1讲"));
                controls.setCellText(kParseList, row, kParseAddressColumn, gbk(address));
            }
            controls.setText(kParseStatusLabel, gbk("解析完成"));
            controls.setEnabled(kRemoveFailedButton, true);
            controls.setEnabled(kAddAllButton, true);
        });
        controls.setHandler(kRemoveFailedClicked,
                            [&controls] { controls.deleteRow(kParseList, 1); });
        controls.setHandler(kAddAllClicked, [&controls] {
            const int row = controls.appendRow(kDownloadList);
            controls.setCellText(kDownloadList, row, kDownloadTitleColumn, gbk("第1讲"));
        });
        controls.setHandler(kBrowseClicked, [this, &controls] {
            controls.setText(kSaveFolderBox, demo.chooseFolder(gbk("选择文件存放目录")));
        });
        controls.setHandler(kStartClicked, [&controls] {
            controls.setText(kTaskStateLabel, gbk("下载中"));
            controls.setInterval(1000);
        });
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string printed() const {
        std::string all;
        for (const std::string& line : lines) {
            all += line;
        }
        return all;
    }

    FakeDemoWindow demo;
    fs::path folder;
    std::vector<std::string> lines;
};

TEST_F(Autopilot, SearchesQueuesDownloadsAndEndsWithZeroOnceEveryRowIsDone) {
    DemoAutopilot autopilot(demo, folder,
                            [this](std::string_view line) { lines.emplace_back(line); });
    EXPECT_TRUE(fs::is_directory(folder / "downloads"));

    autopilot.step();  // 搜索
    autopilot.step();  // 解析完成: 删除失败, 一键加入下载列表, 浏览, 开始下载
    EXPECT_EQ(demo.clicks, (std::vector<Control>{kSearchButton, kRemoveFailedButton, kAddAllButton,
                                                 kBrowseButton, kStartButton}));
    const std::u8string downloads = (folder / "downloads").u8string();
    EXPECT_EQ(demo.window.getText(kSaveFolderBox),
              utf8ToGbk(std::string(downloads.begin(), downloads.end())));
    autopilot.step();  // 下载中: the picture of the running download
    EXPECT_FALSE(autopilot.finished());

    std::ofstream(folder / "downloads" / u8"第1讲.flv") << "video";
    demo.window.setCellText(kDownloadList, 0, kDownloadStatusColumn, gbk("下载完毕"));
    demo.window.setCellText(kDownloadList, 0, kDownloadSizeColumn, gbk("0.01MB"));
    autopilot.step();  // the timer still runs: not done yet
    EXPECT_FALSE(autopilot.finished());
    demo.window.setInterval(0);
    autopilot.step();
    ASSERT_TRUE(autopilot.finished());
    EXPECT_EQ(demo.exitCode, 0);
    EXPECT_EQ(demo.pictures, (std::vector<std::pair<int, std::string>>{{0, "1-parsed.png"},
                                                                       {1, "2-download-list.png"},
                                                                       {1, "3-downloading.png"},
                                                                       {1, "4-finished.png"},
                                                                       {2, "5-about.png"}}));
    const std::string out = printed();
    EXPECT_NE(out.find("demo: 2. 解析完成 (resolved): 2 lectures\n"), std::string::npos) << out;
    EXPECT_NE(out.find("demo: 3. clicked 删除失败 (remove failures): 1 row(s) removed\n"),
              std::string::npos);
    EXPECT_NE(out.find("demo:    [1/1] 下载完毕  0.01MB  第1讲\n"), std::string::npos) << out;
    EXPECT_NE(out.find("demo:               5  第1讲.flv\n"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 12), "demo: done.\n");
    for (const std::string& line : lines) {
        EXPECT_TRUE(line.starts_with("demo: ") && line.ends_with("\n")) << line;
    }
}

TEST_F(Autopilot, ACancelledQueueEndsWithOneAndAPictureOfWhereItStopped) {
    DemoAutopilot autopilot(demo, folder,
                            [this](std::string_view line) { lines.emplace_back(line); });
    autopilot.step();
    autopilot.step();
    demo.window.setText(kTaskStateLabel, gbk("已取消"));
    demo.window.setInterval(0);
    autopilot.step();
    ASSERT_TRUE(autopilot.finished());
    EXPECT_EQ(demo.exitCode, 1);
    EXPECT_EQ(demo.pictures.back(), (std::pair<int, std::string>{1, "failed.png"}));
    EXPECT_NE(printed().find("demo: FAILED: the queue stopped: 已取消\n"), std::string::npos);
    autopilot.step();  // nothing more once done
    EXPECT_EQ(demo.clicks.size(), 5u);
}

TEST_F(Autopilot, MessageBoxesArePrintedInsteadOfWaitingForOk) {
    DemoAutopilot autopilot(demo, folder,
                            [this](std::string_view line) { lines.emplace_back(line); });
    ASSERT_TRUE(demo.showMessage);
    demo.showMessage(gbk("无下载任务"));
    EXPECT_EQ(lines, std::vector<std::string>{"demo: message box: 无下载任务\n"});
}

}  // namespace
}  // namespace ld

// The demo's autopilot: plays the user on the real window, for a machine
// without a display (or anyone who wants to watch the flow run by itself).
//
//   lecture-downloader --demo-autopilot <folder>
//
// clicks "搜索" with the default course address, waits for "解析完成",
// clicks "删除失败" and "一键加入下载列表", chooses <folder>/downloads
// through "浏览", clicks "开始下载" and waits until every row reads
// "下载完毕". It prints each stage and the files written (one UTF-8 line each,
// starting with "demo: "), saves a picture of each stage into <folder>, and
// ends the run with exit code 0, or 1 when a stage fails or takes too long.
//
// The stages are the same for every window; what a window adds (a real click,
// a picture, answers for its dialogs, the end of its event loop) comes through
// DemoWindow. Everything runs on the window's thread: the window calls step()
// from its event loop every kPollEvery.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "window/control_names.h"
#include "window/controls.h"

namespace ld {

// What the autopilot needs of a window beyond its control operations.
class DemoWindow {
  public:
    virtual ~DemoWindow() = default;

    virtual Controls& controls() = 0;
    // Clicks the button as the user would: nothing happens while it is disabled.
    virtual void click(Control button) = 0;
    virtual void showPage(int page) = 0;
    [[nodiscard]] virtual int currentPage() = 0;
    // Shows the page and saves a picture of the whole window there as PNG;
    // false when the file could not be written.
    virtual bool savePicture(int page, const std::filesystem::path& file) = 0;
    // From now on the dialogs answer by themselves: the folder picker with
    // `chooseFolder`'s answer, the message box by handing its text to `showMessage`.
    virtual void answerDialogs(std::function<Text(const Text& prompt)> chooseFolder,
                               std::function<void(const Text& text)> showMessage) = 0;
    // Ends the window's event loop; the program then ends with this code.
    virtual void endRun(int exitCode) = 0;
};

class DemoAutopilot {
  public:
    using Print = std::function<void(std::string_view utf8Line)>;
    static constexpr std::chrono::milliseconds kPollEvery{100};

    // Creates <folder> and <folder>/downloads and takes over the dialogs.
    // `print` gets every line, line break included.
    DemoAutopilot(DemoWindow& window, const std::filesystem::path& folder, Print print);
    DemoAutopilot(const DemoAutopilot&) = delete;
    DemoAutopilot& operator=(const DemoAutopilot&) = delete;
    ~DemoAutopilot() = default;

    // One look at the window; does the next stage's work when it is due.
    void step();
    [[nodiscard]] bool finished() const { return stage_ == Stage::done; }

  private:
    enum class Stage { search, waitForAddresses, waitForDownloads, done };
    using Clock = std::chrono::steady_clock;

    void search();
    void waitForAddresses();
    void queueAndStart();
    void waitForDownloads();
    void reportFinishedRows(int rows);
    void finish(int exitCode, const std::string& why);

    void say(const std::string& line);
    void picture(int page, const std::string& fileName);
    void listWrittenFiles();
    [[nodiscard]] std::string text(Control control);
    [[nodiscard]] std::string cell(List list, int row, int column);
    [[nodiscard]] std::chrono::milliseconds stageTime() const;

    DemoWindow& window_;
    Controls& controls_;
    std::filesystem::path folder_;
    std::filesystem::path downloads_;
    Print print_;
    Stage stage_ = Stage::search;
    Clock::time_point stageStart_ = Clock::now();
    std::vector<bool> reported_;  // download rows whose completion was printed
    bool progressPictured_ = false;
};

// The folder as the autopilot uses it: absolute, without "." or "..".
std::filesystem::path absoluteDemoFolder(const std::filesystem::path& folder);

}  // namespace ld

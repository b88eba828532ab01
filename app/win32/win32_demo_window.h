// The demo's autopilot (app/demo_autopilot.h) on the Win32 window: clicks
// as the buttons report them, pictures of the window as it shows itself
// (window_picture.h), the dialogs answered, its lines on the standard output
// (standard_output.h), and the stages stepped by a timer on the window. Lives
// on the window's thread until the message loop has ended.
#pragma once

#include <filesystem>
#include <functional>

#include "app/demo_autopilot.h"

namespace ld::win32 {

class MainWindow;

class Win32DemoWindow final : public DemoWindow {
  public:
    // Starts the autopilot on `window`; it saves into `folder` (absolute).
    Win32DemoWindow(MainWindow& window, const std::filesystem::path& folder);
    Win32DemoWindow(const Win32DemoWindow&) = delete;
    Win32DemoWindow& operator=(const Win32DemoWindow&) = delete;
    ~Win32DemoWindow() override;

    // DemoWindow
    Controls& controls() override;
    void click(Control button) override;
    void showPage(int page) override;
    int currentPage() override;
    bool savePicture(int page, const std::filesystem::path& file) override;
    void answerDialogs(std::function<Text(const Text& prompt)> chooseFolder,
                       std::function<void(const Text& text)> showMessage) override;
    // Ends the message loop with the exit code (PostQuitMessage).
    void endRun(int exitCode) override;

  private:
    MainWindow& window_;
    DemoAutopilot autopilot_;
};

}  // namespace ld::win32

// The demo's autopilot (app/demo_autopilot.h) on the Qt window: real clicks,
// pictures grabbed from the widgets, the dialogs answered, and the stages
// stepped from the event loop by a timer. Lives on the GUI thread until the
// event loop has ended.
#pragma once

#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/demo_autopilot.h"

namespace ld {

class MainWindow;

class QtDemoWindow final : public DemoWindow {
  public:
    // Starts the autopilot on `window`; it saves into `folder`.
    QtDemoWindow(MainWindow& window, const std::filesystem::path& folder);
    QtDemoWindow(const QtDemoWindow&) = delete;
    QtDemoWindow& operator=(const QtDemoWindow&) = delete;
    ~QtDemoWindow() override = default;

    // DemoWindow
    Controls& controls() override;
    void click(Control button) override;
    void showPage(int page) override;
    int currentPage() override;
    bool savePicture(int page, const std::filesystem::path& file) override;
    void answerDialogs(std::function<Text(const Text& prompt)> chooseFolder,
                       std::function<void(const Text& text)> showMessage) override;
    void endRun(int exitCode) override;

  private:
    MainWindow& window_;
    QTimer poll_;
    DemoAutopilot autopilot_;  // last: it talks to the members above from its constructor
};

}  // namespace ld

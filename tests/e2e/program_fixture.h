// The program as a user meets it, assembled the way start-up assembles it: the
// Qt main window (offscreen), the global state, the event wiring and the real
// engine library, with the sample course platform in this process standing in
// for the internet (every request goes to it through http_proxy).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/qt/main_window.h"
#include "download/loaded_engine_library.h"
#include "tools/sample-platform/sample_platform.h"

namespace ld::e2e {

using namespace std::chrono_literals;

class ProgramFixture : public ::testing::Test {
  protected:
    // One application and one platform for the whole suite: http_proxy is set
    // once, before any thread of the engine could read it.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static sample::SamplePlatform& platform() { return *platform_; }

    void SetUp() override;
    void TearDown() override;

    MainWindow& window() { return *window_; }
    DownloadEngine& engine() { return *engine_; }
    Globals& globals() { return *globals_; }
    // Where the downloads go; the folder picker answers with it.
    [[nodiscard]] std::filesystem::path downloads() const;
    // Texts the message boxes would have shown.
    [[nodiscard]] const std::vector<std::string>& messages() const { return messages_; }

    // --- what the user does ---
    void click(Control button);
    void doubleClickRow(List list, int row);
    // Runs the event loop until the condition holds; false after `timeout`.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    // --- what the user sees (UTF-8) ---
    std::string text(Control control);
    std::string cell(List list, int row, int column);
    int rows(List list) { return window_->rowCount(list); }
    // Every row of 超级列表框2 reads "下载完毕" and the timer has stopped.
    bool queueFinished();

    // Search the default course (141) and wait for "解析完成".
    void searchDefaultCourse();
    // The lecture the sample platform serves under a title shown in a row.
    static const sample::SampleLecture& lectureTitled(const std::string& titleUtf8);
    // The file's bytes, or "<missing>".
    static std::string fileBytes(const std::filesystem::path& file);
    // Names of the regular files in the download folder, sorted.
    [[nodiscard]] std::vector<std::string> filesInDownloads() const;

  private:
    static std::unique_ptr<QApplication> application_;
    static std::unique_ptr<sample::SamplePlatform> platform_;

    QTemporaryDir folder_;
    std::unique_ptr<LoadedEngineLibrary> engine_;
    std::unique_ptr<Globals> globals_;
    std::unique_ptr<MainWindow> window_;
    std::vector<std::string> messages_;
};

}  // namespace ld::e2e

#include "app/qt/application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/event_wiring.h"
#include "app/globals.h"
#include "app/program_folder.h"
#include "app/qt/fatal_stop.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_demo_window.h"
#include "app/qt/qt_text.h"
#include "app/qt/screenshots.h"
#include "download/loaded_engine_library.h"
#include "text/codepage.h"

namespace ld {
namespace {

int runScreenshots(const QString& folder) {
    if (!saveScreenshots(folder)) {
        std::fprintf(stderr, "无法把图片写入 %s\n", folder.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

std::filesystem::path pathOf(const QString& folder) {
    const QByteArray utf8 = folder.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The main window with all its controls; a fatal stop when it cannot be made.
std::unique_ptr<MainWindow> loadMainWindow() {
    try {
        return std::make_unique<MainWindow>();
    } catch (const std::exception&) {
        fatalStop(gbk("载入启动窗口失败"));
    }
}

// For tests that run the whole program: LD_TEST_CLOSE_AFTER_MS=<n> closes the
// main window n milliseconds after start, as the user's close box would.
void closeAfterTestDelay(MainWindow& window) {
    const char* delay = std::getenv("LD_TEST_CLOSE_AFTER_MS");
    if (delay != nullptr && *delay != '\0') {
        QTimer::singleShot(std::atoi(delay), &window, &QWidget::close);
    }
}

}  // namespace

int runApplication(int argc, char** argv) {
    // The program answers help, version and wrong options itself before it
    // loads the window module; only the window's own actions arrive here.
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (!needsWindow(commandLine.action)) {
        return kUsageExitCode;
    }
    // Made absolute now, before the current directory changes below.
    const QString folder = QFileInfo(QString::fromLocal8Bit(commandLine.folder)).absoluteFilePath();

    // Pictures need no display: without a chosen platform, draw off screen.
    const bool screenshots = commandLine.action == CommandAction::screenshots;
    if (screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (screenshots) {
        return runScreenshots(folder);
    }

    // The program folder becomes the current directory; the engine library is
    // looked for beside the executable and loaded by the first engine call.
    const std::string programFolder = programFolderOf(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString());
    QDir::setCurrent(fromUtf8(programFolder));
    const std::u8string folderPath(programFolder.begin(), programFolder.end());
    LoadedEngineLibrary engine(std::filesystem::path(folderPath) / kEngineLibraryFileName,
                               [](const Text& message) { fatalStop(message); });

    // The global state, with both record objects created empty. The exit
    // routine runs once the event loop has ended; a fatal stop skips it.
    Globals globals(engine, utf8ToGbk(programFolder));
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    globals.saveFolder =
        utf8ToGbk(initialSaveFolder(programFolder, QFileInfo(fromUtf8(programFolder)).isWritable(),
                                    QDir::toNativeSeparators(downloads).toStdString()));

    std::unique_ptr<MainWindow> window = loadMainWindow();
    wireEvents(*window, globals);
    window->fire(Event::created);
    window->show();
    closeAfterTestDelay(*window);
    const auto autopilot = commandLine.action == CommandAction::demoAutopilot
                               ? std::make_unique<QtDemoWindow>(*window, pathOf(folder))
                               : nullptr;
    const int exitCode = QApplication::exec();

    // The window is closed: the engine is shut down (workers are not waited
    // for), then the exit routine frees the global state.
    window->shutDown();
    releaseGlobals(globals);
    // A worker may still be inside a call on the window. End the process here,
    // as the system ends a process whose threads still run, rather than
    // destroying objects such a worker could still reach.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace ld

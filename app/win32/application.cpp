#include "app/win32/application.h"

#include <windows.h>
// After windows.h:
#include <ole2.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_arguments.h"
#include "app/command_line.h"
#include "app/event_wiring.h"
#include "app/executable_path.h"
#include "app/globals.h"
#include "app/program_folder.h"
#include "app/screenshot_files.h"
#include "app/win32/fatal_stop.h"
#include "app/win32/main_window.h"
#include "app/win32/process_end.h"
#include "app/win32/save_folder.h"
#include "app/win32/standard_output.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_demo_window.h"
#include "app/win32/window_picture.h"
#include "download/loaded_engine_library.h"
#include "text/codepage.h"

namespace ld::win32 {
namespace {

// COM and OLE for the window's thread: the folder picker, the known folders
// and the imaging the pictures use.
class OleApartment {
  public:
    OleApartment() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;
    ~OleApartment() {
        if (initialised_) {
            OleUninitialize();
        }
    }

  private:
    bool initialised_;
};

CommandLine systemCommandLine() {
    const std::vector<std::string> utf8 = commandArguments(0, nullptr);
    const std::vector<std::string_view> views(utf8.begin(), utf8.end());
    return parseCommandLine(views);
}

std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(wideFromUtf8(utf8));
}

int runScreenshots(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool saved = !error;
    // The pictures are taken of the window as it shows itself: it opens for
    // the moment it takes to draw the three pages (no control draws itself
    // anywhere else the same way).
    MainWindow window;
    window.show();
    for (int page = 0; saved && page < static_cast<int>(kScreenshotFiles.size()); ++page) {
        window.tabs().setCurrentPage(page);
        saved = saveWindowPicture(window.handle(), folder / kScreenshotFiles[page]);
    }
    if (!saved) {
        writeStandardError("无法把图片写入 " + utf8FromWide(folder.native()) + "\n");
        return 1;
    }
    return 0;
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
        window.closeAfter(std::chrono::milliseconds(std::atoi(delay)));
    }
}

// The program folder becomes the current directory ("D:" means D:'s root).
void enterFolder(const std::string& folder) {
    std::wstring wide = wideFromUtf8(folder);
    if (!wide.empty() && wide.back() == L':') {
        wide += L'\\';
    }
    SetCurrentDirectoryW(wide.c_str());
}

int runMessageLoop(MainWindow& window) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return got == 0 ? static_cast<int>(message.wParam) : 1;
        }
        // Tab and the arrow keys move between the controls, as in a dialog.
        if (window.handle() == nullptr || !IsDialogMessageW(window.handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

int runApplication() {
    // The program answers help, version and wrong options itself before it
    // loads the window module; only the window's own actions arrive here.
    const CommandLine commandLine = systemCommandLine();
    if (!needsWindow(commandLine.action)) {
        return kUsageExitCode;
    }
    // Made absolute now, before the current directory changes below.
    const std::filesystem::path folder = absoluteDemoFolder(pathOf(commandLine.folder));
    // Per-monitor DPI for this thread's windows, should the program's manifest not say so.
    SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const OleApartment ole;
    if (commandLine.action == CommandAction::screenshots) {
        return runScreenshots(folder);
    }

    // The engine library is looked for beside the executable and loaded by
    // the first engine call.
    const std::string programFolder = programFolderOf(utf8FromWide(executablePath().native()));
    enterFolder(programFolder);
    LoadedEngineLibrary engine(pathOf(programFolder) / kEngineLibraryFileName,
                               [](const Text& message) { fatalStop(message); });

    // The global state, with both record objects created empty. The exit
    // routine runs once the message loop has ended; a fatal stop skips it.
    Globals globals(engine, utf8ToGbk(programFolder));
    globals.saveFolder = utf8ToGbk(
        initialSaveFolder(programFolder, folderWritable(programFolder), userDownloadsFolder()));

    std::unique_ptr<MainWindow> window = loadMainWindow();
    wireEvents(*window, globals);
    window->fire(Event::created);
    window->endMessageLoopWhenDestroyed();
    window->show();
    closeAfterTestDelay(*window);
    const auto autopilot = commandLine.action == CommandAction::demoAutopilot
                               ? std::make_unique<Win32DemoWindow>(*window, folder)
                               : nullptr;
    const int exitCode = runMessageLoop(*window);

    // The window is closed: the engine is shut down (workers are not waited
    // for), then the exit routine frees the global state, and the process
    // ends without tearing down what a worker could still reach.
    window->shutDown();
    releaseGlobals(globals);
    endProcess(exitCode);
}

}  // namespace ld::win32

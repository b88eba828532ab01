#include "app/win32/win32_demo_window.h"

#include <windows.h>

#include "app/win32/main_window.h"
#include "app/win32/standard_output.h"
#include "app/win32/window_picture.h"

namespace ld::win32 {

Win32DemoWindow::Win32DemoWindow(MainWindow& window, const std::filesystem::path& folder)
    : window_(window), autopilot_(*this, folder, writeStandardOutput) {
    window_.setTicker(DemoAutopilot::kPollEvery, [this] {
        autopilot_.step();
        if (autopilot_.finished()) {
            window_.setTicker({}, nullptr);
        }
    });
}

Win32DemoWindow::~Win32DemoWindow() {
    window_.setTicker({}, nullptr);
}

Controls& Win32DemoWindow::controls() {
    return window_;
}

void Win32DemoWindow::click(Control button) {
    const HWND target = window_.control(button);
    if (IsWindowEnabled(target)) {
        // What the button tells its parent once it has been clicked. (BM_CLICK
        // would also press it on screen, but may do nothing while another
        // program's window is the active one.)
        SendMessageW(GetParent(target), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(target), BN_CLICKED),
                     reinterpret_cast<LPARAM>(target));
    }
}

void Win32DemoWindow::showPage(int page) {
    window_.tabs().setCurrentPage(page);
}

int Win32DemoWindow::currentPage() {
    return window_.tabs().currentPage();
}

bool Win32DemoWindow::savePicture(int page, const std::filesystem::path& file) {
    showPage(page);
    return saveWindowPicture(window_.handle(), file);
}

void Win32DemoWindow::answerDialogs(std::function<Text(const Text& prompt)> chooseFolder,
                                    std::function<void(const Text& text)> showMessage) {
    window_.setDialogAnswers({std::move(chooseFolder), std::move(showMessage)});
}

void Win32DemoWindow::endRun(int exitCode) {
    window_.setTicker({}, nullptr);
    PostQuitMessage(exitCode);
}

}  // namespace ld::win32

// The control operations of the Win32 window (window/controls.h): each one
// runs on the window's thread, through the call queue when called elsewhere.
#include "app/win32/main_window.h"
// After windows.h:
#include <mmsystem.h>

#include <system_error>
#include <thread>

#include "app/win32/folder_picker.h"
#include "app/win32/wide_text.h"
#include "window/window_layout.h"

namespace ld::win32 {
namespace {

std::size_t slot(auto enumerator) {
    return static_cast<std::size_t>(enumerator);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace

bool MainWindow::fire(Event event) {
    return onWindow(
        [&] {
            if (shutDown_ && event != Event::aboutToBeDestroyed) {
                return false;
            }
            // A copy, so a handler may replace itself while it runs.
            const Handler handler = handlers_[slot(event)];
            if (!handler) {
                return false;
            }
            handler();
            return true;
        },
        false);
}

void MainWindow::shutDown() {
    if (shutDown_ || !calls_.onWindowThread()) {
        return;
    }
    shutDown_ = true;
    KillTimer(window_, kClockTimer);
    interval_ = 0;
    setTicker({}, nullptr);
    PlaySoundW(nullptr, nullptr, 0);
    calls_.close();
    fire(Event::aboutToBeDestroyed);
}

void MainWindow::setDialogAnswers(DialogAnswers answers) {
    onWindow([&] { answers_ = std::move(answers); });
}

void MainWindow::setText(Control control, const Text& text) {
    onWindow([&] { SetWindowTextW(controls_[slot(control)], toWide(text).c_str()); });
}

Text MainWindow::getText(Control control) {
    return onWindow([&] { return fromWide(windowText(controls_[slot(control)])); }, Text());
}

void MainWindow::setEnabled(Control control, bool enabled) {
    onWindow([&] { EnableWindow(controls_[slot(control)], enabled ? TRUE : FALSE); });
}

bool MainWindow::isEnabled(Control control) {
    return onWindow([&] { return IsWindowEnabled(controls_[slot(control)]) != FALSE; }, false);
}

void MainWindow::setInterval(int milliseconds) {
    onWindow([&] {
        interval_ = milliseconds > 0 ? milliseconds : 0;
        if (interval_ == 0 || shutDown_) {
            KillTimer(window_, kClockTimer);
        } else {
            SetTimer(window_, kClockTimer, static_cast<UINT>(interval_), nullptr);  // restarts it
        }
    });
}

int MainWindow::interval() {
    return onWindow([&] { return interval_; }, 0);
}

int MainWindow::rowCount(List list) {
    return onWindow([&] { return lists_[slot(list)].rowCount(); }, 0);
}

int MainWindow::appendRow(List list) {
    return onWindow([&] { return lists_[slot(list)].appendRow(); }, -1);
}

void MainWindow::setCellText(List list, int row, int column, const Text& text) {
    onWindow([&] { lists_[slot(list)].setCell(row, column, toWide(text)); });
}

Text MainWindow::getCellText(List list, int row, int column) {
    return onWindow([&] { return fromWide(lists_[slot(list)].cell(row, column)); }, Text());
}

void MainWindow::deleteRow(List list, int row) {
    onWindow([&] { lists_[slot(list)].deleteRow(row); });
}

void MainWindow::deleteAllRows(List list) {
    onWindow([&] { lists_[slot(list)].deleteAllRows(); });
}

int MainWindow::selectedRow(List list) {
    return onWindow([&] { return lists_[slot(list)].selectedRow(); }, -1);
}

Text MainWindow::chooseFolder(const Text& prompt) {
    return onWindow(
        [&] {
            if (answers_.chooseFolder) {
                return answers_.chooseFolder(prompt);
            }
            return fromWide(pickFolder(window_, toWide(prompt)));
        },
        Text());
}

void MainWindow::showMessage(const Text& text) {
    onWindow([&] {
        if (answers_.showMessage) {
            answers_.showMessage(text);
            return;
        }
        const std::wstring caption = wideFromUtf8(layout::kMessageCaption);
        MessageBoxW(window_, toWide(text).c_str(), caption.c_str(), MB_OK);
    });
}

void MainWindow::playSound(std::span<const std::uint8_t> wavImage) {
    onWindow([&] {
        if (!shutDown_) {
            // Stops what is playing. The image stays where it is (the caller
            // keeps it alive for the program's run) while it plays.
            PlaySoundW(reinterpret_cast<LPCWSTR>(wavImage.data()), nullptr,
                       SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
        }
    });
}

void MainWindow::startWorker(Handler entry) {
    try {
        std::thread(std::move(entry)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the worker does not run, as if it ended at once.
    }
}

void MainWindow::atomically(const Handler& group) {
    onWindow(group);
}

void MainWindow::setHandler(Event event, Handler handler) {
    onWindow([&] { handlers_[slot(event)] = std::move(handler); });
}

}  // namespace ld::win32

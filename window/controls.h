// The one way the program's logic reads and changes the window.
//
// Three implementations: the Qt main window (app/qt/), the Win32 main window
// (app/win32/) and MemoryWindow (tests and the terminal mode).
// Every operation may be called from any thread. A call from a worker thread is
// carried out on the window's thread while the worker waits, so one worker's
// calls take effect in the order it makes them; a call on the window's thread
// runs directly. Each single operation is atomic with respect to the others and
// to the event handlers; `atomically` extends that to a group of calls.
//
// Rows and columns are 0-based. An absent row reads as empty text and is
// ignored by writes and deletes; selectedRow is -1 when nothing is selected.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "text/text.h"
#include "window/control_names.h"

namespace ld {

class Controls {
  public:
    using Handler = std::function<void()>;

    virtual ~Controls() = default;

    virtual void setText(Control control, const Text& text) = 0;
    virtual Text getText(Control control) = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual bool isEnabled(Control control) = 0;
    // 时钟1: 0 stops the timer, any other value (re)starts it with that period.
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() = 0;

    virtual int rowCount(List list) = 0;
    // Adds an empty row after the last one and returns its index.
    virtual int appendRow(List list) = 0;
    virtual void setCellText(List list, int row, int column, const Text& text) = 0;
    virtual Text getCellText(List list, int row, int column) = 0;
    virtual void deleteRow(List list, int row) = 0;
    virtual void deleteAllRows(List list) = 0;
    virtual int selectedRow(List list) = 0;

    // Modal folder picker; empty text when cancelled.
    virtual Text chooseFolder(const Text& prompt) = 0;
    // Modal message box captioned "信息：" with one OK button.
    virtual void showMessage(const Text& text) = 0;
    // Stops any sound still playing and starts this WAV image once, in the
    // background. The bytes must stay alive for the program's run.
    virtual void playSound(std::span<const std::uint8_t> wavImage) = 0;
    // Runs the entry on a new thread; nobody waits for it or keeps a handle.
    virtual void startWorker(Handler entry) = 0;

    // Runs `group` on the window's thread as one step: no event handler and no
    // other thread's control operation runs in between. Control operations made
    // inside it run directly.
    virtual void atomically(const Handler& group) = 0;

    // Installs the handler that an event runs (on the window's thread).
    virtual void setHandler(Event event, Handler handler) = 0;
};

}  // namespace ld

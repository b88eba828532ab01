// The Qt main window as a kind of window for the tests of window_fixtures.h.
// Its GUI thread is the test's thread.
#pragma once

#include <QCoreApplication>
#include <memory>

#include "app/qt/main_window.h"
#include "app/qt/report_list.h"

namespace ld::testing {

struct QtWindowKind {
    using Window = MainWindow;
    static constexpr const char* kName = "MainWindow";
    static std::unique_ptr<Window> make() {
        auto window = std::make_unique<Window>();
        window->setDialogAnswers({[](const Text&) { return Text(); }, [](const Text&) {}});
        return window;
    }
    static void select(Window& window, List list, int row) {
        if (row < 0) {
            window.list(list).clearSelection();
        } else {
            window.list(list).selectRow(row);
        }
    }
    static bool fire(Window& window, Event event) { return window.fire(event); }
    static void close(Window& window) { window.shutDown(); }
    // The GUI thread is the test's thread: queued calls run from here.
    static void pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }
};

using NativeWindowKind = QtWindowKind;

}  // namespace ld::testing

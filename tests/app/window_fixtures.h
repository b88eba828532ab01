// The two windows behind one face, so a test can run against both.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/qt/main_window.h"
#include "app/qt/report_list.h"
#include "window/memory_window.h"

namespace ld::testing {

// Waits up to ten seconds for `done`, letting `pump` run the window's queue.
inline bool waitFor(const std::function<bool()>& done, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct MemoryWindowKind {
    using Window = MemoryWindow;
    static std::unique_ptr<Window> make() { return std::make_unique<Window>(); }
    static void select(Window& window, List list, int row) { window.selectRow(list, row); }
    static bool fire(Window& window, Event event) { return window.fire(event); }
    static void close(Window& window) { window.close(); }
    // The window thread runs by itself; nothing to pump.
    static void pump() {}
};

struct QtWindowKind {
    using Window = MainWindow;
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

using WindowKinds = ::testing::Types<MemoryWindowKind, QtWindowKind>;

class WindowKindNames {
  public:
    template <typename T>
    static std::string GetName(int /*index*/) {
        return std::is_same_v<T, MemoryWindowKind> ? "MemoryWindow" : "MainWindow";
    }
};

}  // namespace ld::testing

// The Win32 main window as a kind of window for the tests of
// window_fixtures.h. Its thread is the test's thread, which pumps its messages.
#pragma once

#include <windows.h>

#include <memory>

#include "app/win32/main_window.h"

namespace ld::testing {

struct Win32WindowKind {
    using Window = win32::MainWindow;
    static constexpr const char* kName = "Win32Window";
    static std::unique_ptr<Window> make() {
        auto window = std::make_unique<Window>();
        window->setDialogAnswers({[](const Text&) { return Text(); }, [](const Text&) {}});
        return window;
    }
    static void select(Window& window, List list, int row) { window.list(list).selectRow(row); }
    static bool fire(Window& window, Event event) { return window.fire(event); }
    static void close(Window& window) { window.shutDown(); }
    // Runs what the thread's message queue holds: posted calls, timers, paints.
    static void pump() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
};

using NativeWindowKind = Win32WindowKind;

}  // namespace ld::testing

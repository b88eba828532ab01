// The windows behind one face, so a test can run against each: the in-memory
// window and the platform's real one (the Qt window on Linux, the Win32
// window on Windows).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>

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
    static constexpr const char* kName = "MemoryWindow";
    static std::unique_ptr<Window> make() { return std::make_unique<Window>(); }
    static void select(Window& window, List list, int row) { window.selectRow(list, row); }
    static bool fire(Window& window, Event event) { return window.fire(event); }
    static void close(Window& window) { window.close(); }
    // The window thread runs by itself; nothing to pump.
    static void pump() {}
};

}  // namespace ld::testing

#if defined(_WIN32)
#include "tests/app/win32_window_kind.h"
#else
#include "tests/app/qt_window_kind.h"
#endif

namespace ld::testing {

using WindowKinds = ::testing::Types<MemoryWindowKind, NativeWindowKind>;

class WindowKindNames {
  public:
    template <typename T>
    static std::string GetName(int /*index*/) {
        return T::kName;
    }
};

}  // namespace ld::testing

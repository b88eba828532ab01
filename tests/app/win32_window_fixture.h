// What the Win32 window's tests look at: the window opened and shown on the
// test's thread, the texts and places of the system's controls, and clicks
// made the way the mouse makes them. Test-only helpers; the test's thread.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/win32/main_window.h"
#include "tests/app/window_fixtures.h"
#include "window/window_layout.h"

namespace ld::testing {

inline std::wstring wide(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(size));
    return out;
}

inline std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Where a control lies in its parent's client area.
inline RECT inParent(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

class Win32Window : public ::testing::Test {
  protected:
    void SetUp() override {
        window = Win32WindowKind::make();
        window->show();
        Win32WindowKind::pump();
    }
    [[nodiscard]] HWND handleOf(const layout::ControlEntry& entry) const {
        if (entry.kind == layout::Kind::tabControl) {
            return window->tabs().handle();
        }
        if (entry.list) {
            return window->list(*entry.list).handle();
        }
        return entry.control ? window->control(*entry.control) : nullptr;
    }
    // Clicks a point of a control as the mouse does: the messages the system
    // queues for a press and a release (twice: then a double-click and a
    // release), handled from the message loop.
    static void click(HWND control, POINT at, bool twice = false) {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageW(control, WM_LBUTTONUP, 0, where);
        if (twice) {
            PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
            PostMessageW(control, WM_LBUTTONUP, 0, where);
        }
        Win32WindowKind::pump();
    }

    std::unique_ptr<win32::MainWindow> window;
};

}  // namespace ld::testing

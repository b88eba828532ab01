// The Win32 window as it is built: every control read back from the system's
// own controls (class, parent, place at the window's DPI, text, state), the
// lists' columns and styles, the window itself, and the labels' colours.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/win32_window_fixture.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/window_layout.h"

namespace ld::testing {
namespace {

::testing::AssertionResult sameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.left << ", " << actual.top << ", " << actual.right << ", "
           << actual.bottom << ") instead of (" << expected.left << ", " << expected.top << ", "
           << expected.right << ", " << expected.bottom << ")";
}

const wchar_t* expectedClass(layout::Kind kind) {
    switch (kind) {
        case layout::Kind::editBox:
            return L"Edit";
        case layout::Kind::button:
            return L"Button";
        case layout::Kind::reportList:
            return WC_LISTVIEWW;
        case layout::Kind::tabControl:
            return WC_TABCONTROLW;
        default:
            return L"Static";
    }
}

TEST_F(Win32Window, EveryControlHasItsClassParentPlaceTextAndState) {
    const win32::DpiScale scale = window->scale();
    EXPECT_EQ(scale.dpi, GetDpiForWindow(window->handle()));
    // A run on a screen of another DPI says which (tests/app/CMakeLists.txt).
    if (const char* dpi = std::getenv("LD_TEST_EXPECTED_DPI"); dpi != nullptr) {
        EXPECT_EQ(scale.dpi, static_cast<UINT>(std::atoi(dpi)));
    }
    for (const layout::ControlEntry& entry : layout::windowControls()) {
        if (entry.kind == layout::Kind::timer) {
            EXPECT_EQ(window->interval(), 0);  // 时钟1 stopped
            continue;
        }
        SCOPED_TRACE(std::string(entry.name));
        const HWND control = handleOf(entry);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(className(control), expectedClass(entry.kind));
        const HWND parent =
            entry.page == layout::kWindowPage ? window->handle() : window->tabs().handle();
        EXPECT_EQ(GetParent(control), parent);
        RECT expected = scale.rect(entry.geometry);
        if (entry.kind == layout::Kind::tabControl) {
            const SIZE grown = scale.size(layout::tabControlSize());
            expected.right = expected.left + grown.cx;
            expected.bottom = expected.top + grown.cy;
        }
        EXPECT_TRUE(sameRect(inParent(control), expected));
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, entry.initiallyEnabled);
        if (entry.control) {
            EXPECT_EQ(windowText(control), wide(entry.initialText));
            EXPECT_EQ(window->getText(*entry.control), utf8ToGbk(entry.initialText));
        }
    }
}

TEST_F(Win32Window, ListsAreSingleSelectionReportViewsWithTheirColumns) {
    const win32::DpiScale scale = window->scale();
    for (const List which : {kParseList, kDownloadList}) {
        const HWND list = window->list(which).handle();
        const auto style = static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE));
        EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
        EXPECT_NE(style & LVS_SINGLESEL, 0u);
        EXPECT_NE(style & LVS_NOSORTHEADER, 0u);  // a click on a title does nothing
        const DWORD extended = ListView_GetExtendedListViewStyle(list);
        EXPECT_NE(extended & LVS_EX_GRIDLINES, 0u);
        EXPECT_NE(extended & LVS_EX_FULLROWSELECT, 0u);
        EXPECT_EQ(ListView_GetBkColor(list), RGB(255, 255, 255));
        EXPECT_EQ(ListView_GetTextColor(list), RGB(0, 0, 0));

        const std::span<const layout::ColumnEntry> columns = layout::columns(which);
        ASSERT_EQ(Header_GetItemCount(ListView_GetHeader(list)), static_cast<int>(columns.size()));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            wchar_t title[64] = {};
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = title;
            column.cchTextMax = 64;
            ASSERT_TRUE(ListView_GetColumn(list, static_cast<int>(i), &column));
            EXPECT_EQ(std::wstring(title), wide(columns[i].title));
            EXPECT_EQ(column.cx, scale(columns[i].width));
        }
    }
}

TEST_F(Win32Window, TheWindowIsFixedCentredCaptionedAndHasTheIconAndFonts) {
    const HWND main = window->handle();
    EXPECT_EQ(windowText(main), L"课程视频下载器");
    const auto style = static_cast<DWORD>(GetWindowLongW(main, GWL_STYLE));
    EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
    EXPECT_EQ(style & WS_THICKFRAME, 0u);  // the frame cannot be dragged to another size

    const win32::DpiScale scale = window->scale();
    RECT client{};
    GetClientRect(main, &client);
    const SIZE expected = scale.size(layout::clientSize());
    EXPECT_EQ(client.right, expected.cx);
    EXPECT_EQ(client.bottom, expected.cy);

    RECT outer{};
    GetWindowRect(main, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_LE(std::abs((outer.left + outer.right) - (monitor.rcWork.left + monitor.rcWork.right)),
              1);
    EXPECT_LE(std::abs((outer.top + outer.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)),
              1);

    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_SMALL, 0), 0);

    const HWND tabs = window->tabs().handle();
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 3);
    const std::vector<std::wstring> titles = {L"解析文件", L"下载列表 ", L"关于软件"};
    for (int i = 0; i < 3; ++i) {
        wchar_t title[32] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 32;
        ASSERT_TRUE(TabCtrl_GetItem(tabs, i, &item));
        EXPECT_EQ(std::wstring(title), titles[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(window->tabs().currentPage(), 0);
    RECT lastTab{};
    TabCtrl_GetItemRect(tabs, 2, &lastTab);
    EXPECT_LT(lastTab.right, scale(layout::controlEntry(kTaskStateLabel).geometry.left))
        << "the tabs run under 透明标签1";

    LOGFONTW about{};
    GetObjectW(
        reinterpret_cast<HFONT>(SendMessageW(window->control(kAboutLabel), WM_GETFONT, 0, 0)),
        sizeof about, &about);
    EXPECT_GE(about.lfWeight, FW_BOLD);
    EXPECT_EQ(about.lfHeight, -scale(layout::kAboutFontPixels));
}

TEST_F(Win32Window, LabelsDrawTheirTextInTheirColourOnWhatLiesBehindThem) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const std::vector<std::pair<Control, COLORREF>> labels = {
        {kParseStatusLabel, RGB(255, 0, 0)},
        {kSpeedLabel, RGB(255, 0, 0)},
        {kTaskStateLabel, RGB(0, 0, 0)},
    };
    for (const auto& [control, colour] : labels) {
        const HWND label = window->control(control);
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkMode(dc, OPAQUE);
        // What the label asks its parent (the tab control) before it paints.
        const LRESULT brush =
            SendMessageW(GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
        EXPECT_EQ(GetTextColor(dc), colour);
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    }
    DeleteDC(dc);
}

}  // namespace
}  // namespace ld::testing

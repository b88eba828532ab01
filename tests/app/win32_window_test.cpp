// The Win32 window as the user sees it: every control read back from the
// system's own controls (class, parent, place at the window's DPI, text,
// state), the lists' columns and styles, the window itself, and the events the
// controls raise when they are clicked the way the mouse clicks them.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/main_window.h"
#include "download/queue/download_list_edits.h"
#include "tests/app/window_fixtures.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/window_layout.h"

namespace ld::testing {
namespace {

using win32::MainWindow;

std::wstring wide(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(size));
    return out;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Where a control lies in its parent's client area.
RECT inParent(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

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

    std::unique_ptr<MainWindow> window;
};

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

TEST_F(Win32Window, APageShowsOnlyItsOwnControlsAndTheTabsSwitchByThemselves) {
    const auto shownOn = [this](int page) {
        for (const layout::ControlEntry& entry : layout::windowControls()) {
            if (entry.page < 0) {
                continue;
            }
            SCOPED_TRACE(std::string(entry.name));
            EXPECT_EQ(IsWindowVisible(handleOf(entry)) != FALSE, entry.page == page);
        }
    };
    shownOn(0);
    window->tabs().setCurrentPage(2);
    shownOn(2);

    // A click on the second tab, as the mouse makes it.
    RECT tab{};
    TabCtrl_GetItemRect(window->tabs().handle(), 1, &tab);
    click(window->tabs().handle(), {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2});
    EXPECT_EQ(window->tabs().currentPage(), 1);
    shownOn(1);
}

TEST_F(Win32Window, ButtonsListsAndTimerRaiseTheirEventsOnTheWindowThread) {
    std::vector<Event> raised;
    std::vector<std::thread::id> threads;
    for (int e = 0; e < kEventCount; ++e) {
        const auto event = static_cast<Event>(e);
        if (event != Event::aboutToBeDestroyed) {
            window->setHandler(event, [&raised, &threads, event] {
                raised.push_back(event);
                threads.push_back(std::this_thread::get_id());
            });
        }
    }
    window->tabs().setCurrentPage(1);
    const std::vector<std::pair<Control, Event>> clicks = {
        {kSearchButton, kSearchClicked}, {kClearDownloadListButton, kClearDownloadListClicked},
        {kBrowseButton, kBrowseClicked}, {kStartButton, kStartClicked},
        {kPauseButton, kPauseClicked},
    };
    for (const auto& [button, event] : clicks) {
        SendMessageW(window->control(button), BM_CLICK, 0, 0);
        ASSERT_FALSE(raised.empty());
        EXPECT_EQ(raised.back(), event);
    }
    raised.clear();
    window->tabs().setCurrentPage(0);
    click(window->list(kParseList).handle(), {40, 100}, true);
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised.back(), kParseListDoubleClicked);

    raised.clear();
    window->setInterval(10);
    ASSERT_TRUE(waitFor([&] { return raised.size() >= 2; }, Win32WindowKind::pump));
    window->setInterval(0);
    Win32WindowKind::pump();
    const std::size_t ticks = raised.size();
    Sleep(50);
    Win32WindowKind::pump();
    EXPECT_EQ(raised.size(), ticks);  // stopped
    EXPECT_EQ(raised.back(), kPollTick);
    for (const std::thread::id thread : threads) {
        EXPECT_EQ(thread, std::this_thread::get_id());
    }
}

TEST_F(Win32Window, RealClicksSelectAndDoubleClicksRemoveDownloadRows) {
    SharedState state{.currentRow = 1};
    wireDownloadListEdits(*window, state);
    window->tabs().setCurrentPage(1);
    const HWND list = window->list(kDownloadList).handle();
    for (const char* id : {"1", "2", "3"}) {
        window->setCellText(kDownloadList, window->appendRow(kDownloadList), 0, Text(id));
    }
    // On empty space below the rows, nothing selected: only currentRow changes.
    RECT client{};
    GetClientRect(list, &client);
    click(list, {40, client.bottom - 5}, true);
    EXPECT_EQ(state.currentRow, 0);
    EXPECT_EQ(window->rowCount(kDownloadList), 3);

    // On the second row: the click selects it, the double-click removes it.
    state.currentRow = 2;
    RECT second{};
    ListView_GetItemRect(list, 1, &second, LVIR_BOUNDS);
    const POINT middle{(second.left + second.right) / 2, (second.top + second.bottom) / 2};
    click(list, middle);
    EXPECT_EQ(window->selectedRow(kDownloadList), 1);
    click(list, middle, true);
    EXPECT_EQ(state.currentRow, 0);
    ASSERT_EQ(window->rowCount(kDownloadList), 2);
    EXPECT_EQ(window->getCellText(kDownloadList, 0, 0), Text("1"));
    EXPECT_EQ(window->getCellText(kDownloadList, 1, 0), Text("3"));
}

TEST_F(Win32Window, GbkTextsReachTheControlsAsTheirCharacters) {
    // Code page 936 bytes in, the same characters on screen and back out: the
    // euro sign (0x80), full-width punctuation, a title longer than the
    // list's first read buffer.
    const std::string title = "第1讲 输入/输出：「引号」€ ";
    std::string longTitle;
    for (int i = 0; i < 40; ++i) {
        longTitle += "课程视频下载器";
    }
    window->setText(kSaveFolderBox, gbk(title));
    EXPECT_EQ(windowText(window->control(kSaveFolderBox)), wide(title));
    EXPECT_EQ(window->getText(kSaveFolderBox), gbk(title));

    const int row = window->appendRow(kParseList);
    window->setCellText(kParseList, row, kParseTitleColumn, gbk(title));
    window->setCellText(kParseList, row, kParseAddressColumn, gbk(longTitle));
    wchar_t shown[64] = {};
    ListView_GetItemText(window->list(kParseList).handle(), row, kParseTitleColumn, shown, 64);
    EXPECT_EQ(std::wstring(shown), wide(title));
    EXPECT_EQ(window->getCellText(kParseList, row, kParseTitleColumn), gbk(title));
    EXPECT_EQ(window->getCellText(kParseList, row, kParseAddressColumn), gbk(longTitle));

    // Typed into the box by the user: a character code page 936 cannot hold
    // reads back as "?".
    SetWindowTextW(window->control(kCourseAddressBox), L"a\u00e9\u4e00\u0e01");
    EXPECT_EQ(window->getText(kCourseAddressBox), Text(gbk("a\u00e9\u4e00").bytes() + "?"));
}

TEST_F(Win32Window, AWorkersCallWaitsWhileTheWindowThreadIsBusyAndRunsOnceItPumps) {
    std::atomic<bool> returned = false;
    std::thread::id ranOn;
    std::thread worker([&] {
        window->atomically([&] { ranOn = std::this_thread::get_id(); });
        window->setText(kParseStatusLabel, gbk("解析完成"));
        returned = true;
    });
    // The window's thread is busy elsewhere: the worker waits for it.
    while (window->waitingCallers() == 0) {
        std::this_thread::yield();
    }
    Sleep(20);
    EXPECT_FALSE(returned);
    // Back in its message loop, the posted wake-up runs the worker's calls.
    const bool ran = waitFor([&] { return returned.load(); }, Win32WindowKind::pump);
    if (!ran) {
        window->shutDown();  // releases the worker
    }
    worker.join();
    ASSERT_TRUE(ran);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(windowText(window->control(kParseStatusLabel)), L"解析完成");
}

// What a modal dialog of this thread showed before it was answered.
struct SeenDialog {
    std::wstring caption;
    std::wstring text;  // the message box's text, empty for the folder picker
    HWND owner = nullptr;
};
SeenDialog seenDialog;  // written by the timer below, on the test's thread

// Runs from the dialog's own message loop: notes the first dialog of this
// thread and cancels it (Escape's command, which both dialogs take).
void CALLBACK answerDialog(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND dialog, LPARAM timerId) -> BOOL {
            if (!IsWindowVisible(dialog) || className(dialog) != L"#32770") {
                return TRUE;
            }
            KillTimer(nullptr, static_cast<UINT_PTR>(timerId));
            seenDialog.caption = windowText(dialog);
            seenDialog.owner = GetWindow(dialog, GW_OWNER);
            EnumChildWindows(
                dialog,
                [](HWND child, LPARAM) -> BOOL {
                    if (className(child) == L"Static" && !windowText(child).empty() &&
                        seenDialog.text.empty()) {
                        seenDialog.text = windowText(child);
                    }
                    return TRUE;
                },
                0);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return FALSE;
        },
        static_cast<LPARAM>(timer));
}

TEST_F(Win32Window, TheDialogsAreTheSystemsOwnModalToTheWindowWithTheirCaptions) {
    window->setDialogAnswers({});  // no answers: the real dialogs
    seenDialog = {};
    SetTimer(nullptr, 0, 100, answerDialog);
    window->showMessage(gbk("无下载任务"));
    EXPECT_EQ(seenDialog.caption, L"信息：");
    EXPECT_EQ(seenDialog.text, L"无下载任务");
    EXPECT_EQ(seenDialog.owner, window->handle());

    seenDialog = {};
    SetTimer(nullptr, 0, 100, answerDialog);
    EXPECT_TRUE(window->chooseFolder(gbk("选择文件存放目录")).empty());  // cancelled
    EXPECT_EQ(seenDialog.caption, L"选择文件存放目录");
    EXPECT_EQ(seenDialog.owner, window->handle());
}

TEST_F(Win32Window, ClosingTheWindowRaisesAboutToBeDestroyedOnceAndEndsTheMessageLoop) {
    int raised = 0;
    window->setHandler(Event::aboutToBeDestroyed, [&] { ++raised; });
    window->setInterval(1000);
    window->endMessageLoopWhenDestroyed();
    SendMessageW(window->handle(), WM_CLOSE, 0, 0);  // the close box
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(window->handle(), nullptr);
    EXPECT_EQ(window->interval(), 0);
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    window.reset();
    EXPECT_EQ(raised, 1);
}

}  // namespace
}  // namespace ld::testing

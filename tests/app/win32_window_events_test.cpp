// The Win32 window at work: page switches, clicks and double-clicks as the
// mouse makes them, the timer, GBK texts through the controls, a worker's
// call while the window's thread is busy, the system's dialogs, and closing.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "download/queue/download_list_edits.h"
#include "tests/app/win32_window_fixture.h"
#include "text/codepage.h"
#include "window/control_aliases.h"
#include "window/window_layout.h"

namespace ld::testing {
namespace {

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

// The window itself: creation from the layout table, the window procedure
// and the events it raises. The control operations are in main_window_controls.cpp.
#include "app/win32/main_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <optional>
#include <stdexcept>
#include <thread>

#include "app/program_resources.h"
#include "app/win32/wide_text.h"
#include "window/window_layout.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // this module's own image (linker-provided)

namespace ld::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"LectureDownloaderMainWindow";
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

// Posted to the window when a worker's call waits in the queue.
constexpr UINT kRunCallsMessage = WM_APP + 1;

// Control ids count from here in the order of the layout table (clear of
// IDOK and IDCANCEL, which dialog keys send).
constexpr int kFirstControlId = 1000;

HINSTANCE thisModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

std::size_t slot(auto enumerator) {
    return static_cast<std::size_t>(enumerator);
}

struct ButtonEvent {
    Control button;
    Event click;
};

constexpr std::array<ButtonEvent, 8> kButtonEvents = {{
    {Control::按钮1, Event::按钮1Clicked},
    {Control::按钮2, Event::按钮2Clicked},
    {Control::按钮3, Event::按钮3Clicked},
    {Control::按钮4, Event::按钮4Clicked},
    {Control::按钮1清空, Event::按钮1清空Clicked},
    {Control::按钮选择, Event::按钮选择Clicked},
    {Control::按钮下载, Event::按钮下载Clicked},
    {Control::按钮暂停, Event::按钮暂停Clicked},
}};

void registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.hInstance = thisModule();
    windowClass.lpszClassName = kWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpfnWndProc = DefWindowProcW;  // replaced per window below
    // A second window of the same program finds the class registered already.
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("window class");
    }
}

void initialiseCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

DWORD controlStyle(const layout::ControlEntry& entry) {
    const DWORD common = WS_CHILD | WS_VISIBLE;
    switch (entry.kind) {
        case layout::Kind::editBox:
            return common | WS_TABSTOP | ES_AUTOHSCROLL;
        case layout::Kind::button:
            return common | WS_TABSTOP | BS_PUSHBUTTON;
        case layout::Kind::transparentLabel:
        case layout::Kind::label:
            // One line, vertically centred, "&" shown as it is.
            return common | SS_NOPREFIX | SS_CENTERIMAGE |
                   (entry.style == layout::TextStyle::boldAbout ? SS_CENTER : SS_LEFTNOWORDWRAP);
        default:
            return common;
    }
}

const wchar_t* controlClass(layout::Kind kind) {
    switch (kind) {
        case layout::Kind::editBox:
            return L"EDIT";
        case layout::Kind::button:
            return L"BUTTON";
        default:
            return L"STATIC";
    }
}

}  // namespace

MainWindow::MainWindow()
    : calls_([this] { PostMessageW(window_.load(), kRunCallsMessage, 0, 0); }) {
    calls_.setWindowThread(std::this_thread::get_id());
    initialiseCommonControls();
    registerWindowClass();
    createWindow();
    try {
        buildControls();
        applyScale(GetDpiForWindow(window_));
        centreOnMonitor();
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
}

MainWindow::~MainWindow() {
    shutDown();
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void MainWindow::createWindow() {
    // Created on the primary monitor; centreOnMonitor moves it to the middle.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const std::wstring caption = wideFromUtf8(layout::kCaption);
    const HWND window = CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle,
                                        monitor.rcWork.left, monitor.rcWork.top, 0, 0, nullptr,
                                        nullptr, thisModule(), nullptr);
    if (window == nullptr) {
        throw std::runtime_error("main window");
    }
    window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProcedure));
}

void MainWindow::buildControls() {
    const std::span<const layout::ControlEntry> entries = layout::windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const layout::ControlEntry& entry = entries[i];
        const int id = kFirstControlId + static_cast<int>(i);
        HWND made = nullptr;
        switch (entry.kind) {
            case layout::Kind::tabControl:
                tabs_ = TabPages(window_, id, layout::kTabTitles);
                continue;
            case layout::Kind::timer:
                continue;  // SetTimer on the window when the interval is set
            case layout::Kind::reportList:
                lists_[slot(*entry.list)] =
                    ReportList(tabs_.handle(), id, layout::columns(*entry.list));
                made = lists_[slot(*entry.list)].handle();
                break;
            default:
                made = createControl(entry, id);
                break;
        }
        EnableWindow(made, entry.initiallyEnabled ? TRUE : FALSE);
        if (entry.page != layout::kWindowPage) {
            tabs_.add(entry.page, made);
        }
        if (entry.control) {
            controls_[slot(*entry.control)] = made;
        }
    }
}

HWND MainWindow::createControl(const layout::ControlEntry& entry, int id) {
    const HWND parent = entry.page == layout::kWindowPage ? window_.load() : tabs_.handle();
    const std::wstring text = wideFromUtf8(entry.initialText);
    const DWORD exStyle = entry.kind == layout::Kind::editBox ? WS_EX_CLIENTEDGE : 0;
    const HWND made = CreateWindowExW(
        exStyle, controlClass(entry.kind), text.c_str(), controlStyle(entry), 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), thisModule(), nullptr);
    if (made == nullptr) {
        throw std::runtime_error("control");
    }
    return made;
}

void MainWindow::applyScale(UINT dpi) {
    scale_ = DpiScale{dpi};
    fonts_ = makeWindowFonts(dpi);
    const auto font = reinterpret_cast<WPARAM>(fonts_.normal.get());
    SendMessageW(tabs_.handle(), WM_SETFONT, font, FALSE);
    for (const layout::ControlEntry& entry : layout::windowControls()) {
        HWND target = nullptr;
        RECT place = scale_.rect(entry.geometry);
        if (entry.kind == layout::Kind::tabControl) {
            target = tabs_.handle();
            const SIZE size = scale_.size(layout::tabControlSize());
            place.right = place.left + size.cx;
            place.bottom = place.top + size.cy;
        } else if (entry.list) {
            target = lists_[slot(*entry.list)].handle();
            lists_[slot(*entry.list)].applyScale(scale_);
        } else if (entry.control) {
            target = controls_[slot(*entry.control)];
        }
        if (target == nullptr) {
            continue;
        }
        const bool about = entry.style == layout::TextStyle::boldAbout;
        SendMessageW(target, WM_SETFONT,
                     about ? reinterpret_cast<WPARAM>(fonts_.about.get()) : font, FALSE);
        SetWindowPos(target, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    applyIcons();
    const SIZE outer = outerSize();
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::applyIcons() {
    // The program's icon, from the executable's resources, in the sizes of this DPI.
    const auto load = [this](int metric) {
        const int size = GetSystemMetricsForDpi(metric, scale_.dpi);
        return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(LD_PROGRAM_ICON), IMAGE_ICON, size,
                                             size, LR_DEFAULTCOLOR));
    };
    UniqueIcon big(load(SM_CXICON));
    UniqueIcon small(load(SM_CXSMICON));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    bigIcon_ = std::move(big);  // the old ones go only once the window holds the new ones
    smallIcon_ = std::move(small);
}

SIZE MainWindow::outerSize() const {
    const SIZE client = scale_.size(layout::clientSize());
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectExForDpi(&outer, kWindowStyle, FALSE, kWindowExStyle, scale_.dpi);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

void MainWindow::centreOnMonitor() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const SIZE outer = outerSize();
    const int left = work.left + (work.right - work.left - outer.cx) / 2;
    const int top = work.top + (work.bottom - work.top - outer.cy) / 2;
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

HWND MainWindow::control(Control control) const {
    return controls_[slot(control)];
}

const ReportList& MainWindow::list(List list) const {
    return lists_[slot(list)];
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_;
    switch (message) {
        case kRunCallsMessage:
            calls_.runPending();
            return 0;
        case WM_COMMAND:
            handleCommand(wParam);
            return 0;
        case WM_NOTIFY:
            handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return labelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_TIMER:
            handleTimer(wParam);
            return 0;
        case WM_DPICHANGED:
            handleDpiChange(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_DESTROY:
            handleDestroy();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::handleCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    const int id = LOWORD(wParam);
    for (const ButtonEvent& entry : kButtonEvents) {
        if (GetDlgCtrlID(controls_[slot(entry.button)]) == id) {
            fire(entry.click);
            return;
        }
    }
}

void MainWindow::handleNotify(const NMHDR& header) {
    if (header.hwndFrom == tabs_.handle() && header.code == TCN_SELCHANGE) {
        tabs_.showCurrentPage();
        return;
    }
    if (header.code != NM_DBLCLK) {
        return;
    }
    if (header.hwndFrom == lists_[slot(List::超级列表框1)].handle()) {
        fire(Event::超级列表框1DoubleClicked);
    } else if (header.hwndFrom == lists_[slot(List::超级列表框2)].handle()) {
        fire(Event::超级列表框2DoubleClicked);
    }
}

void MainWindow::handleTimer(UINT_PTR timer) {
    switch (timer) {
        case kClockTimer:
            fire(Event::时钟1Tick);
            break;
        case kTickerTimer:
            if (ticker_) {
                const std::function<void()> tick = ticker_;  // may replace itself
                tick();
            }
            break;
        case kCloseTimer:
            KillTimer(window_, kCloseTimer);
            PostMessageW(window_, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

// Labels draw only their text: what lies behind them (the tab control's page
// or strip) is painted first, then the text without a background.
LRESULT MainWindow::labelColours(HWND label, HDC dc) {
    std::optional<layout::TextStyle> style;
    for (const layout::ControlEntry& entry : layout::windowControls()) {
        if (entry.control && controls_[slot(*entry.control)] == label &&
            (entry.kind == layout::Kind::transparentLabel || entry.kind == layout::Kind::label)) {
            style = entry.style;
        }
    }
    if (!style) {
        return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(label));
    }
    DrawThemeParentBackground(label, dc, nullptr);
    SetBkMode(dc, TRANSPARENT);
    switch (*style) {
        case layout::TextStyle::red:
            SetTextColor(dc, RGB(255, 0, 0));
            break;
        case layout::TextStyle::black:
            SetTextColor(dc, RGB(0, 0, 0));
            break;
        default:
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            break;
    }
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void MainWindow::handleDpiChange(UINT dpi, const RECT& suggested) {
    applyScale(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::handleDestroy() {
    shutDown();
    if (endLoopWhenDestroyed_) {
        PostQuitMessage(0);
    }
}

void MainWindow::setTicker(std::chrono::milliseconds period, std::function<void()> tick) {
    ticker_ = std::move(tick);
    if (ticker_ && !shutDown_) {
        SetTimer(window_, kTickerTimer, static_cast<UINT>(period.count()), nullptr);
    } else {
        KillTimer(window_, kTickerTimer);
    }
}

void MainWindow::closeAfter(std::chrono::milliseconds delay) {
    SetTimer(window_, kCloseTimer, static_cast<UINT>(delay.count()), nullptr);
}

}  // namespace ld::win32

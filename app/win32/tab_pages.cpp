#include "app/win32/tab_pages.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "app/win32/wide_text.h"

namespace ld::win32 {
namespace {

constexpr UINT_PTR kForwardSubclass = 1;

// Hands the children's reports (and their questions for colours) to the owner window.
LRESULT CALLBACK forwardToOwner(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR /*id*/, DWORD_PTR ownerData) {
    const auto owner = reinterpret_cast<HWND>(ownerData);
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
            return SendMessageW(owner, message, wParam, lParam);
        case WM_NCDESTROY:
            RemoveWindowSubclass(tabs, forwardToOwner, kForwardSubclass);
            break;
        default:
            break;
    }
    return DefSubclassProc(tabs, message, wParam, lParam);
}

}  // namespace

TabPages::TabPages(HWND owner, int id, std::span<const std::string_view> titles)
    : tabs_(CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
                            0, 0, 0, 0, owner, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                            nullptr)),
      pages_(titles.size()) {
    if (tabs_ == nullptr) {
        throw std::runtime_error("tab control");
    }
    for (std::size_t i = 0; i < titles.size(); ++i) {
        std::wstring title = wideFromUtf8(titles[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        TabCtrl_InsertItem(tabs_, static_cast<int>(i), &item);
    }
    SetWindowSubclass(tabs_, forwardToOwner, kForwardSubclass, reinterpret_cast<DWORD_PTR>(owner));
}

void TabPages::add(int page, HWND control) {
    if (page < 0 || page >= count()) {
        return;
    }
    pages_[static_cast<std::size_t>(page)].push_back(control);
    ShowWindow(control, page == currentPage() ? SW_SHOWNA : SW_HIDE);
}

int TabPages::currentPage() const {
    return TabCtrl_GetCurSel(tabs_);
}

void TabPages::setCurrentPage(int page) {
    if (page >= 0 && page < count()) {
        TabCtrl_SetCurSel(tabs_, page);
        showCurrentPage();
    }
}

void TabPages::showCurrentPage() {
    const int current = currentPage();
    // Hide first, then show, so no two pages are ever on screen together.
    for (int page = 0; page < count(); ++page) {
        if (page != current) {
            for (HWND control : pages_[static_cast<std::size_t>(page)]) {
                ShowWindow(control, SW_HIDE);
            }
        }
    }
    if (current >= 0) {
        for (HWND control : pages_[static_cast<std::size_t>(current)]) {
            ShowWindow(control, SW_SHOWNA);
        }
    }
}

}  // namespace ld::win32

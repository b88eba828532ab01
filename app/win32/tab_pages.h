// 选择夹1: a tab control whose pages are the controls placed on it. The
// controls of every page are children of the tab control itself, placed
// relative to its top-left corner (the strip included), as the window's layout
// gives them; a page shows its own controls and hides the others'. What the
// children report (clicks, list notifications, label colours) goes on to the
// window that owns the tab control, as if they were its own children.
//
// Does not own the control (the owner window destroys it). Window's thread only.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>
#include <vector>

namespace ld::win32 {

class TabPages {
  public:
    TabPages() = default;
    // Creates the tab control as a child of `owner` with one tab per title.
    TabPages(HWND owner, int id, std::span<const std::string_view> titles);

    [[nodiscard]] HWND handle() const { return tabs_; }
    [[nodiscard]] int count() const { return static_cast<int>(pages_.size()); }
    // Puts `control` (a child of handle()) on `page`; it shows only with its page.
    void add(int page, HWND control);
    [[nodiscard]] int currentPage() const;
    // Selects the tab and shows its page, as a click on the tab would.
    void setCurrentPage(int page);
    // Shows the selected tab's page (after the user changed tabs).
    void showCurrentPage();

  private:
    HWND tabs_ = nullptr;
    std::vector<std::vector<HWND>> pages_;
};

}  // namespace ld::win32

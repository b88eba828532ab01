#include "app/win32/report_list.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/win32/wide_text.h"

namespace ld::win32 {
namespace {

constexpr DWORD kStyle =
    WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
constexpr DWORD kExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;

}  // namespace

ReportList::ReportList(HWND parent, int id, std::span<const layout::ColumnEntry> columns)
    : list_(CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kStyle, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)),
                            nullptr)),
      columns_(columns) {
    if (list_ == nullptr) {
        throw std::runtime_error("ListView");
    }
    ListView_SetExtendedListViewStyleEx(list_, kExtendedStyle, kExtendedStyle);
    ListView_SetBkColor(list_, RGB(255, 255, 255));
    ListView_SetTextBkColor(list_, RGB(255, 255, 255));
    ListView_SetTextColor(list_, RGB(0, 0, 0));
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        std::wstring title = wideFromUtf8(columns_[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns_[i].width;
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
}

void ReportList::applyScale(const DpiScale& scale) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        ListView_SetColumnWidth(list_, static_cast<int>(i), scale(columns_[i].width));
    }
}

int ReportList::rowCount() const {
    return ListView_GetItemCount(list_);
}

int ReportList::appendRow() const {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = rowCount();
    wchar_t empty[] = L"";
    item.pszText = empty;
    return ListView_InsertItem(list_, &item);
}

bool ReportList::hasCell(int row, int column) const {
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
}

void ReportList::setCell(int row, int column, const std::wstring& text) const {
    if (!hasCell(row, column)) {
        return;
    }
    std::wstring copy = text;  // the control takes a mutable buffer
    ListView_SetItemText(list_, row, column, copy.data());
}

std::wstring ReportList::cell(int row, int column) const {
    if (!hasCell(row, column)) {
        return {};
    }
    // The control copies at most the buffer's size; grow until the text fits.
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<std::size_t>(SendMessageW(
            list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size()) {
            buffer.resize(copied);
            return buffer;
        }
        buffer.resize(buffer.size() * 4);
    }
}

void ReportList::deleteRow(int row) const {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    const bool wasSelected = selectedRow() == row;
    ListView_DeleteItem(list_, row);
    if (wasSelected) {
        selectRow(-1);  // the selection does not pass to a neighbour
    }
}

void ReportList::deleteAllRows() const {
    ListView_DeleteAllItems(list_);
}

int ReportList::selectedRow() const {
    return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

void ReportList::selectRow(int row) const {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0 && row < rowCount()) {
        ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
}

}  // namespace ld::win32

// A report-view ListView as the window's lists are: a header that does not
// sort, grid lines, whole-row selection of at most one row, black on white,
// fixed columns. Rows and columns are 0-based; a row or column that does not
// exist reads as empty text and is ignored by writes and deletes.
//
// Does not own the control (its parent window destroys it). Window's thread only.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "app/win32/dpi_scale.h"
#include "window/window_layout.h"

namespace ld::win32 {

class ReportList {
  public:
    ReportList() = default;
    // Creates the control as a child of `parent` with the control id `id`.
    ReportList(HWND parent, int id, std::span<const layout::ColumnEntry> columns);

    [[nodiscard]] HWND handle() const { return list_; }
    [[nodiscard]] int columnCount() const { return static_cast<int>(columns_.size()); }
    // The layout's column widths at this scale.
    void applyScale(const DpiScale& scale) const;

    [[nodiscard]] int rowCount() const;
    // Adds a row of empty cells after the last one; returns its index.
    int appendRow() const;
    void setCell(int row, int column, const std::wstring& text) const;
    [[nodiscard]] std::wstring cell(int row, int column) const;
    void deleteRow(int row) const;
    void deleteAllRows() const;
    // -1 when no row is selected.
    [[nodiscard]] int selectedRow() const;
    // Selects one row as a click would; -1 (or an absent row) clears the selection.
    void selectRow(int row) const;

  private:
    [[nodiscard]] bool hasCell(int row, int column) const;

    HWND list_ = nullptr;
    std::span<const layout::ColumnEntry> columns_;
};

}  // namespace ld::win32

// A report-view list: header, grid lines, black on white, one whole row
// selected at a time, no sorting, fixed columns. A double-click anywhere on it
// (on a row or on empty space) is reported once the view has handled it.
// (No Q_OBJECT: moc cannot read the window's Chinese identifiers.)
#pragma once

#include <QTableWidget>
#include <functional>
#include <span>
#include <utility>

#include "window/window_layout.h"

namespace ld {

class ReportList : public QTableWidget {
  public:
    ReportList(std::span<const layout::ColumnEntry> columns, QWidget* parent);

    // Adds a row of empty cells after the last one; returns its index.
    int appendRow();
    // -1 when no row is selected.
    [[nodiscard]] int selectedRowIndex() const;

    // Called after every left double-click on the list, on a row or not.
    void onDoubleClick(std::function<void()> action) { doubleClicked_ = std::move(action); }

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::function<void()> doubleClicked_;
};

}  // namespace ld

#include "app/qt/report_list.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "app/qt/qt_text.h"

namespace ld {
namespace {
constexpr int kRowHeight = 20;
}

ReportList::ReportList(std::span<const layout::ColumnEntry> columns, QWidget* parent)
    : QTableWidget(0, static_cast<int>(columns.size()), parent) {
    QStringList titles;
    for (const layout::ColumnEntry& column : columns) {
        titles << fromUtf8(column.title);
    }

    setShowGrid(true);
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);  // a click on a title neither sorts nor selects
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);  // the parse list hides a column at width 1
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    }
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);

    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
}

int ReportList::appendRow() {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column) {
        auto* cell = new QTableWidgetItem();
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, column, cell);  // the list owns the item
    }
    return row;
}

int ReportList::selectedRowIndex() const {
    const QModelIndexList cells = selectionModel()->selectedIndexes();
    return cells.isEmpty() ? -1 : cells.first().row();
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && doubleClicked_) {
        doubleClicked_();
    }
}

}  // namespace ld

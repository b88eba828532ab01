#include "course/parse_list_actions.h"

#include "course/course_texts.h"
#include "text/codepage.h"
#include "text/text_ops.h"
#include "window/control_aliases.h"

namespace ld {
namespace {

void copyParseRow(Controls& c, int sourceRow, int targetRow, int number) {
    c.setCellText(kDownloadList, targetRow, kDownloadNumberColumn, toText(number));
    c.setCellText(kDownloadList, targetRow, kDownloadTitleColumn,
                  c.getCellText(kParseList, sourceRow, kParseTitleColumn));
    c.setCellText(kDownloadList, targetRow, kDownloadAddressColumn,
                  c.getCellText(kParseList, sourceRow, kParseAddressColumn));
}

}  // namespace

void copyAllToDownloadList(Controls& controls, SharedState& state) {
    noteDownloadRowsCleared(state);
    controls.deleteAllRows(kDownloadList);
    const int rows = controls.rowCount(kParseList);
    for (int i = 1; i <= rows; ++i) {
        copyParseRow(controls, i - 1, controls.appendRow(kDownloadList), i);
    }
    controls.setText(kParseStatusLabel, gbk(course_text::kAddedToDownloadList));
    controls.setEnabled(kAddAllButton, false);
    state.currentRow = 0;
}

void copySelectedToDownloadList(Controls& controls, SharedState& state) {
    const int target = controls.appendRow(kDownloadList);
    copyParseRow(controls, controls.selectedRow(kParseList), target, target + 1);
    controls.setText(kParseStatusLabel, gbk(course_text::kAddedToDownloadList));
    state.currentRow = 0;
}

void clearParseList(Controls& controls) {
    controls.deleteAllRows(kParseList);
    controls.setEnabled(kClearParseListButton, false);
}

void removeFailedRows(Controls& controls) {
    const Text failed = gbk(course_text::kResolutionFailed);
    int row = 0;
    while (row < controls.rowCount(kParseList)) {
        if (controls.getCellText(kParseList, row, kParseAddressColumn) == failed) {
            controls.deleteRow(kParseList, row);
        } else {
            ++row;
        }
    }
    controls.setEnabled(kRemoveFailedButton, false);
}

}  // namespace ld

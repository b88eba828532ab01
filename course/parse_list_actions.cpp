#include "course/parse_list_actions.h"

#include "course/course_texts.h"
#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

constexpr int kTitleColumn = 1;
constexpr int kAddressColumn = 3;
// Columns of 超级列表框2.
constexpr int kDownloadTitleColumn = 1;
constexpr int kDownloadAddressColumn = 3;

void copyParseRow(Controls& c, int sourceRow, int targetRow, int number) {
    c.setCellText(List::超级列表框2, targetRow, 0, toText(number));
    c.setCellText(List::超级列表框2, targetRow, kDownloadTitleColumn,
                  c.getCellText(List::超级列表框1, sourceRow, kTitleColumn));
    c.setCellText(List::超级列表框2, targetRow, kDownloadAddressColumn,
                  c.getCellText(List::超级列表框1, sourceRow, kAddressColumn));
}

}  // namespace

void copyAllToDownloadList(Controls& controls, SharedState& state) {
    noteDownloadRowsCleared(state);
    controls.deleteAllRows(List::超级列表框2);
    const int rows = controls.rowCount(List::超级列表框1);
    for (int i = 1; i <= rows; ++i) {
        copyParseRow(controls, i - 1, controls.appendRow(List::超级列表框2), i);
    }
    controls.setText(Control::透明标签2, gbk(course_text::kAddedToDownloadList));
    controls.setEnabled(Control::按钮2, false);
    state.currentRow = 0;
}

void copySelectedToDownloadList(Controls& controls, SharedState& state) {
    const int target = controls.appendRow(List::超级列表框2);
    copyParseRow(controls, controls.selectedRow(List::超级列表框1), target, target + 1);
    controls.setText(Control::透明标签2, gbk(course_text::kAddedToDownloadList));
    state.currentRow = 0;
}

void clearParseList(Controls& controls) {
    controls.deleteAllRows(List::超级列表框1);
    controls.setEnabled(Control::按钮3, false);
}

void removeFailedRows(Controls& controls) {
    const Text failed = gbk(course_text::kResolutionFailed);
    int row = 0;
    while (row < controls.rowCount(List::超级列表框1)) {
        if (controls.getCellText(List::超级列表框1, row, kAddressColumn) == failed) {
            controls.deleteRow(List::超级列表框1, row);
        } else {
            ++row;
        }
    }
    controls.setEnabled(Control::按钮4, false);
}

}  // namespace ld

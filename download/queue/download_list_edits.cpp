#include "download/queue/download_list_edits.h"

namespace ld {

void removeSelectedDownloadRow(Controls& controls, SharedState& state) {
    state.currentRow = 0;
    const int row = controls.selectedRow(List::超级列表框2);
    if (row >= 0 && row < controls.rowCount(List::超级列表框2)) {
        noteDownloadRowRemoved(state, row);
        controls.deleteRow(List::超级列表框2, row);
    }
}

void clearDownloadList(Controls& controls, SharedState& state) {
    noteDownloadRowsCleared(state);
    controls.deleteAllRows(List::超级列表框2);
}

void wireDownloadListEdits(Controls& controls, SharedState& state) {
    controls.setHandler(Event::超级列表框2DoubleClicked,
                        [&controls, &state] { removeSelectedDownloadRow(controls, state); });
    controls.setHandler(Event::按钮1清空Clicked,
                        [&controls, &state] { clearDownloadList(controls, state); });
}

}  // namespace ld

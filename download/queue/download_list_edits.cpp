#include "download/queue/download_list_edits.h"

#include "window/control_aliases.h"

namespace ld {

void removeSelectedDownloadRow(Controls& controls, SharedState& state) {
    state.currentRow = 0;
    const int row = controls.selectedRow(kDownloadList);
    if (row >= 0 && row < controls.rowCount(kDownloadList)) {
        noteDownloadRowRemoved(state, row);
        controls.deleteRow(kDownloadList, row);
    }
}

void clearDownloadList(Controls& controls, SharedState& state) {
    noteDownloadRowsCleared(state);
    controls.deleteAllRows(kDownloadList);
}

void wireDownloadListEdits(Controls& controls, SharedState& state) {
    controls.setHandler(kDownloadListDoubleClicked,
                        [&controls, &state] { removeSelectedDownloadRow(controls, state); });
    controls.setHandler(kClearDownloadListClicked,
                        [&controls, &state] { clearDownloadList(controls, state); });
}

}  // namespace ld

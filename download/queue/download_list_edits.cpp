#include "download/queue/download_list_edits.h"

namespace ld {

void removeSelectedDownloadRow(Controls& controls, SharedState& state) {
    state.currentRow = 0;
    controls.deleteRow(List::超级列表框2, controls.selectedRow(List::超级列表框2));
}

void clearDownloadList(Controls& controls) {
    controls.deleteAllRows(List::超级列表框2);
}

void wireDownloadListEdits(Controls& controls, SharedState& state) {
    controls.setHandler(Event::超级列表框2DoubleClicked,
                        [&controls, &state] { removeSelectedDownloadRow(controls, state); });
    controls.setHandler(Event::按钮1清空Clicked, [&controls] { clearDownloadList(controls); });
}

}  // namespace ld

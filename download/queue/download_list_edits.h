// The two handlers that only edit the download list (超级列表框2).
#pragma once

#include "window/controls.h"
#include "window/shared_state.h"

namespace ld {

// Double-click on 超级列表框2: the queue's next start is the first row, and the
// selected row (if any) is removed. Later rows keep their texts, so the "ID"
// column is no longer consecutive. A running task keeps writing to its own
// row; if that row is the one removed, the queue stops the task at its next
// step and marks no other row.
void removeSelectedDownloadRow(Controls& controls, SharedState& state);

// Click on 按钮1清空: removes every download row. currentRow is left alone; a
// running task has lost its row, so the queue stops it at its next step.
void clearDownloadList(Controls& controls, SharedState& state);

// Installs both handlers on their events. `controls` and `state` must outlive
// the handlers.
void wireDownloadListEdits(Controls& controls, SharedState& state);

}  // namespace ld

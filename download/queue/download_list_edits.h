// The two handlers that only edit the download list (超级列表框2).
#pragma once

#include "window/controls.h"
#include "window/shared_state.h"

namespace ld {

// Double-click on 超级列表框2: the queue starts over at the first row, and the
// selected row (if any) is removed. Later rows keep their texts, so the "ID"
// column is no longer consecutive. A running task is not stopped.
void removeSelectedDownloadRow(Controls& controls, SharedState& state);

// Click on 按钮1清空: removes every download row. currentRow, the timer and a
// running task are left alone.
void clearDownloadList(Controls& controls);

// Installs both handlers on their events. `controls` and `state` must outlive
// the handlers.
void wireDownloadListEdits(Controls& controls, SharedState& state);

}  // namespace ld

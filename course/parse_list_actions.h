// The four actions on the finished parse list: copy every row or the selected
// one to the download list, clear the parse list, remove the rows that failed
// to resolve. Event handlers; they run on the window's thread.
#pragma once

#include "window/controls.h"
#include "window/shared_state.h"

namespace ld {

// 按钮2: replaces the download list by all parse rows (title and address),
// numbered from 1; disables 按钮2; the download queue restarts at row 0. A
// running task's row has left the list, so the queue stops that task.
void copyAllToDownloadList(Controls& controls, SharedState& state);
// Double-click on 超级列表框1: appends the selected parse row (an empty one
// when nothing is selected); the download queue's next start is row 0. A
// running task goes on undisturbed.
void copySelectedToDownloadList(Controls& controls, SharedState& state);
// 按钮3: empties the parse list and disables 按钮3.
void clearParseList(Controls& controls);
// 按钮4: removes the rows whose address reads "解析失败"; disables 按钮4.
void removeFailedRows(Controls& controls);

}  // namespace ld

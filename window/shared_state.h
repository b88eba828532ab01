// State the download list's handlers share across components. It lives in the
// program's one global-state object and is touched only on the window's thread.
#pragma once

#include <cstdint>

namespace ld {

inline constexpr std::int32_t kNoTaskRow = -1;

struct SharedState {
    // 0-based row of 超级列表框2 the download queue starts next (and, while a
    // task runs, usually the row it downloads).
    std::int32_t currentRow = 0;
    // The row of 超级列表框2 the live task was started for. Every edit of the
    // list keeps it on that row as rows move; kNoTaskRow when no task is live
    // or when its row has left the list (the queue then stops that task and
    // marks nothing).
    std::int32_t taskRow = kNoTaskRow;
};

// Row `row` of 超级列表框2 is being removed (rows below it move up by one).
inline void noteDownloadRowRemoved(SharedState& state, int row) {
    if (row < 0 || state.taskRow == kNoTaskRow) {
        return;
    }
    if (row == state.taskRow) {
        state.taskRow = kNoTaskRow;
    } else if (row < state.taskRow) {
        state.taskRow -= 1;
    }
}

// Every row of 超级列表框2 is being removed.
inline void noteDownloadRowsCleared(SharedState& state) {
    state.taskRow = kNoTaskRow;
}

}  // namespace ld

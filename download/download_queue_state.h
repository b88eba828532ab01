// What the download queue keeps between its steps: the current task's handle,
// the two engine records and the current task's address, file name and folder.
// Part of the program's one global-state object; touched only on the window's
// thread.
#pragma once

#include <cstdint>

#include "download/queue/finished_files.h"
#include "download/queue/row_gate.h"
#include "download/task_create_record.h"
#include "download/task_info_record.h"
#include "text/text.h"

namespace ld {

struct DownloadQueueState {
    // Members are destroyed in reverse order: the info record first, then the
    // three texts, then the create record, as the exit routine releases them.
    TaskCreateRecord taskCreateRecord;
    Text currentAddress;
    Text currentFileName;
    Text currentFolder;
    TaskInfoRecord taskInfoRecord;
    // Handle of the current task as XL_CreateTask returned it; 0 when none.
    std::uint32_t taskHandle = 0;
    // The current task may still write its file: created, and not yet
    // finished, failed or stopped for good. Pause and resume act only then.
    bool taskLive = false;
    // What this run has finished, so no later row is given a finished file.
    FinishedFiles finishedFiles;
    // Asked before each row's task is created; none (every row downloads)
    // unless whoever drives the queue sets one that outlives the queue.
    RowGate* rowGate = nullptr;
};

// The exit routine's part for the queue: frees the info record's block, empties
// the three texts and frees the create record's block, in this order.
void releaseDownloadQueueState(DownloadQueueState& state) noexcept;

}  // namespace ld

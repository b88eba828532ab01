// The program's global state: everything it keeps for its whole run besides
// the controls. One object, created at start-up on the window's thread and
// touched only there.
#pragma once

#include "download/download_engine.h"
#include "download/download_queue_state.h"
#include "text/text.h"
#include "window/shared_state.h"

namespace ld {

struct Globals {
    // Creating the object creates the two record objects, both empty.
    Globals(DownloadEngine& downloadEngine, Text folderOfProgram)
        : engine(downloadEngine),
          programFolder(std::move(folderOfProgram)),
          saveFolder(programFolder) {}

    SharedState shared;        // currentRow
    DownloadQueueState queue;  // taskHandle, the two records, current address/file name/folder
    DownloadEngine& engine;    // the engine library's six calls
    Text programFolder;        // the executable's folder, noted at start-up
    Text saveFolder;           // what the save-folder box starts with (see initialSaveFolder)
};

// The exit routine, run once when the program ends normally (never after a
// fatal stop): frees the task info record, the current address, file name and
// folder, and the task create record, in this order.
void releaseGlobals(Globals& globals) noexcept;

}  // namespace ld

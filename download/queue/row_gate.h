// A say over each row of the download list, asked by the queue just before it
// creates the row's task, once the row's file name is decided (so the names
// stay exactly the list's own): download it, or pass it by with a text for its
// 完成状态 cell. And word of every row whose file the queue finished.
//
// The window has no gate (every row downloads); the terminal mode has one that
// passes by files already complete and lectures not chosen. Called on the
// window's thread, from the queue's handlers; a call may take as long as one
// short exchange with the server.
#pragma once

#include "text/text.h"

namespace ld {

// The file a row is saved under, and where it comes from.
struct RowFile {
    const Text& folder;  // with its separator, as the task gets it
    const Text& fileName;
    const Text& address;
};

struct RowVerdict {
    bool download = true;
    // Passed by: the row's file is already complete under its name, so it
    // counts as a file this run finished (no later row is given its name).
    bool fileComplete = false;
    Text statusText;  // what the row's 完成状态 cell reads when passed by
};

class RowGate {
  public:
    virtual ~RowGate() = default;
    virtual RowVerdict admit(int row, const RowFile& file) = 0;
    // The queue marked the row 下载完毕: its file is complete under its name.
    virtual void finished(int row, const RowFile& file) = 0;
};

}  // namespace ld

// The faults of the table that kill the program (a child process downloading
// through the queue) with SIGKILL and start it again on the same folder: while
// the server holds the connection, right after a Range request was answered
// with the whole file, and at random moments over a whole download. What the
// second run finishes must be the server's file, byte for byte.
#pragma once

#include <vector>

#include "tools/faults/fault_run.h"

namespace ld::faults {

void addKillFaults(std::vector<Fault>& faults);

}  // namespace ld::faults

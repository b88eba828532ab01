// The faults of the table: each sets the sample platform or this machine up
// to misbehave, changes it while the download runs, and undoes it after.
#pragma once

#include <vector>

#include "tools/faults/fault_run.h"

namespace ld::faults {

std::vector<Fault> allFaults();

}  // namespace ld::faults

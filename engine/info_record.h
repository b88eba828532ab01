// Writing a TaskInfoRecord (layout in xldl/task_layout.h).
#pragma once

#include "engine/task_status.h"

namespace ld::engine {

// Fills all XLDL_INFO_RECORD_SIZE bytes at `record`: the snapshot's fields, zero elsewhere.
void writeInfoRecord(const TaskSnapshot& snapshot, unsigned char* record);

}  // namespace ld::engine

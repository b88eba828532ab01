// State the download list's handlers share across components. It lives in the
// program's one global-state object and is touched only on the window's thread.
#pragma once

#include <cstdint>

namespace ld {

struct SharedState {
    // 0-based row of 超级列表框2 the download queue works on.
    std::int32_t currentRow = 0;
};

}  // namespace ld

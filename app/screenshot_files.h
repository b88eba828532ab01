// The pictures --screenshots writes, one per page of 选择夹1 in page order,
// the same for every window.
#pragma once

#include <array>

namespace ld {

inline constexpr std::array<const char*, 3> kScreenshotFiles = {
    "page-0-parse.png", "page-1-downloads.png", "page-2-about.png"};

}  // namespace ld

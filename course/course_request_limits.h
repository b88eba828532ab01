// How long and how large the course spine's two exchanges may be. A catalogue
// can be large (a long course, lecture notes and all); a play-info answer is a
// few kilobytes, so one far beyond that is refused as soon as it is announced
// (or has grown past the cap) with the "数据过大" cause. Every exchange ends
// within its deadline with the "连接超时" cause, however slowly the server
// answers. Plain constants.
#pragma once

#include <chrono>
#include <cstddef>

#include "web/exchange_limits.h"

namespace ld {

inline constexpr ExchangeLimits kCatalogueLimits{std::size_t{64} * 1024 * 1024,
                                                 std::chrono::seconds(120)};
inline constexpr ExchangeLimits kPlayInfoLimits{std::size_t{1} * 1024 * 1024,
                                                std::chrono::seconds(120)};

// Both, as a search hands them on to its resolution.
struct CourseRequestLimits {
    ExchangeLimits catalogue = kCatalogueLimits;
    ExchangeLimits playInfo = kPlayInfoLimits;
};

}  // namespace ld

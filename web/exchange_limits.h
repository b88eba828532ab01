// How long one HTTP exchange may last and how large its body may be. Every
// exchange ends within its deadline, whatever the server does (an answer that
// trickles a few bytes a second included), and a body over its cap is refused
// as soon as it is announced or has grown past it. Plain values.
#pragma once

#include <chrono>
#include <cstddef>

namespace ld {

struct ExchangeLimits {
    // Bytes of the final response's body kept at most.
    std::size_t maxBodyBytes = std::size_t{64} * 1024 * 1024;
    // From the start of the exchange to its last byte, every redirect and
    // connection included.
    std::chrono::milliseconds deadline = std::chrono::seconds(120);
};

}  // namespace ld

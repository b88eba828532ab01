#include "engine/settings.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace ld::engine {
namespace {

// A non-negative whole number from the environment, or nothing when unset or malformed.
std::optional<long long> environmentNumber(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    long long number = 0;
    const char* end = value + std::strlen(value);
    const auto [ptr, ec] = std::from_chars(value, end, number);
    if (ec != std::errc{} || ptr != end || number < 0) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

Settings Settings::fromEnvironment() {
    Settings settings;
    if (const auto ms = environmentNumber("XLDL_BACKOFF_BASE_MS")) {
        settings.backoffBase = std::chrono::milliseconds(*ms);
    }
    if (const auto ms = environmentNumber("XLDL_RETRY_BUDGET_MS")) {
        settings.retryBudget = std::chrono::milliseconds(*ms);
    }
    if (const auto s = environmentNumber("XLDL_STALL_SECONDS"); s && *s > 0) {
        settings.stallWindow = std::chrono::seconds(*s);
    }
    if (const auto bytes = environmentNumber("XLDL_PIECE_BYTES"); bytes && *bytes > 0) {
        settings.pieceBytes = *bytes;
    }
    if (const auto ms = environmentNumber("XLDL_FINISH_HOLD_MS")) {
        settings.finishHold = std::chrono::milliseconds(*ms);
    }
    return settings;
}

}  // namespace ld::engine

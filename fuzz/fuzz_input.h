// Helpers shared by the fuzz entries: a reader that cuts the fuzzer's bytes
// into numbers and strings, and the check that stops a run on a broken rule.
//
// The entries are plain functions so the same code runs under libFuzzer and
// in the GoogleTest replays of the saved inputs (built with any compiler).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

// A broken rule is a finding: report it and abort, so libFuzzer keeps the input
// and a replay test fails.
#define LD_FUZZ_CHECK(condition)                                          \
    do {                                                                  \
        if (!(condition)) {                                               \
            ::ld::fuzz::reportBrokenRule(__FILE__, __LINE__, #condition); \
        }                                                                 \
    } while (false)

namespace ld::fuzz {

// The saved input being replayed, if any (set by the replay tests).
inline const char*& currentInputName() {
    static const char* name = nullptr;
    return name;
}

[[noreturn]] inline void reportBrokenRule(const char* file, int line, const char* rule) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, rule);
    if (currentInputName() != nullptr) {
        std::fprintf(stderr, "input: %s\n", currentInputName());
    }
    std::abort();
}

class FuzzInput {
  public:
    explicit FuzzInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] bool empty() const { return at_ >= bytes_.size(); }
    [[nodiscard]] std::size_t remaining() const { return bytes_.size() - at_; }

    std::uint8_t byte() { return empty() ? 0 : bytes_[at_++]; }

    // A signed 32-bit value; each byte missing at the end counts as zero.
    std::int32_t int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<std::uint32_t>(byte()) << (8 * i);
        }
        return static_cast<std::int32_t>(value);
    }

    // A small number in [-8, limit + 8], so positions around both ends of a
    // string come up often.
    int position(int limit) {
        const int span = limit + 17;
        return static_cast<int>(byte()) % (span > 0 ? span : 1) - 8;
    }

    // Bytes up to the next 0xFF 0xFE pair (or the end), so a few short strings
    // can be cut out of one input. The pair itself is skipped.
    std::string piece() {
        std::string out;
        while (!empty()) {
            const std::uint8_t b = bytes_[at_++];
            if (b == 0xFF && !empty() && bytes_[at_] == 0xFE) {
                ++at_;
                break;
            }
            out.push_back(static_cast<char>(b));
        }
        return out;
    }

    // Everything that is left.
    std::string rest() {
        std::string out(reinterpret_cast<const char*>(bytes_.data() + at_), remaining());
        at_ = bytes_.size();
        return out;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// Well-formed UTF-8: no stray, overlong or surrogate sequences.
inline bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

inline bool holdsZeroByte(std::string_view bytes) {
    return bytes.find('\0') != std::string_view::npos;
}

}  // namespace ld::fuzz

// Operations on ByteSet and the crossings between ByteSet and Text.
#include <algorithm>
#include <cstring>

#include "text/text_ops.h"

namespace ld {

ByteSet concatBytes(std::initializer_list<ByteSet> parts) {
    std::size_t total = 0;
    for (const ByteSet& part : parts) {
        total += part.bytes().size();
    }
    std::vector<std::uint8_t> joined;
    joined.reserve(total);
    for (const ByteSet& part : parts) {
        joined.insert(joined.end(), part.bytes().begin(), part.bytes().end());
    }
    return ByteSet(std::move(joined));
}

bool compareBytes(const ByteSet& a, const ByteSet& b) {
    return a == b;
}

ByteSet leftBytes(const ByteSet& bytes, int n) {
    const std::size_t count =
        std::clamp<std::size_t>(n < 0 ? 0 : static_cast<std::size_t>(n), 0, bytes.bytes().size());
    return ByteSet(bytes.span().first(count));
}

ByteSet zeroBytes(int n) {
    if (n <= 0) {
        return {};
    }
    return ByteSet(std::vector<std::uint8_t>(static_cast<std::size_t>(n), 0));
}

ByteSet textToBytes(const Text& text) {
    return ByteSet::fromString(text.view());
}

Text bytesToText(const ByteSet& bytes) {
    return Text(bytes.view());
}

}  // namespace ld

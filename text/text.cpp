#include "text/text.h"

#include <cstring>

namespace ld {

Text::Text(const char* bytes) : bytes_(bytes == nullptr ? "" : bytes) {}

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    if (auto zero = bytes_.find('\0'); zero != std::string::npos) {
        bytes_.resize(zero);
    }
}

ByteSet ByteSet::fromString(std::string_view bytes) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return ByteSet(std::vector<std::uint8_t>(first, first + bytes.size()));
}

}  // namespace ld

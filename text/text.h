// Text, ByteSet and TextArray: the value types every other component speaks.
//
// A Text is a byte string in code page 936 (GBK) that never holds a zero byte:
// constructing one from bytes keeps what stands before the first zero. Empty
// and absent are the same value. Lengths and positions count bytes; positions
// are 1-based where an operation takes one. A byte of 0x80 or above starts a
// two-byte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ld {

class Text {
  public:
    Text() = default;
    // Bytes up to (not including) the first zero byte.
    Text(const char* bytes);  // NOLINT(google-explicit-constructor): literals read naturally
    explicit Text(std::string_view bytes);
    explicit Text(std::string&& bytes);

    [[nodiscard]] const std::string& bytes() const noexcept { return bytes_; }
    [[nodiscard]] std::string_view view() const noexcept { return bytes_; }
    [[nodiscard]] const char* c_str() const noexcept { return bytes_.c_str(); }
    [[nodiscard]] int length() const noexcept { return static_cast<int>(bytes_.size()); }
    [[nodiscard]] bool empty() const noexcept { return bytes_.empty(); }
    [[nodiscard]] unsigned char byteAt(std::size_t index) const noexcept {
        return static_cast<unsigned char>(bytes_[index]);
    }

    friend bool operator==(const Text&, const Text&) = default;
    friend auto operator<=>(const Text&, const Text&) = default;

  private:
    std::string bytes_;
};

// A counted byte buffer; zero bytes allowed. Empty and absent are the same.
class ByteSet {
  public:
    ByteSet() = default;
    explicit ByteSet(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    explicit ByteSet(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
    // Raw bytes of a string (zero bytes kept).
    static ByteSet fromString(std::string_view bytes);

    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
    [[nodiscard]] std::vector<std::uint8_t>& bytes() noexcept { return bytes_; }
    [[nodiscard]] std::span<const std::uint8_t> span() const noexcept { return bytes_; }
    [[nodiscard]] std::string_view view() const noexcept {
        return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
    }
    [[nodiscard]] const std::uint8_t* data() const noexcept { return bytes_.data(); }
    [[nodiscard]] int length() const noexcept { return static_cast<int>(bytes_.size()); }
    [[nodiscard]] bool empty() const noexcept { return bytes_.empty(); }

    friend bool operator==(const ByteSet&, const ByteSet&) = default;

  private:
    std::vector<std::uint8_t> bytes_;
};

using TextArray = std::vector<Text>;

}  // namespace ld

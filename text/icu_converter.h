// Owner of one ICU converter. Each instance belongs to one thread; create one
// where it is needed (ICU caches the converter data, so opening is cheap).
#pragma once

#include <unicode/ucnv.h>

namespace ld::detail {

class IcuConverter {
  public:
    IcuConverter() noexcept = default;
    // An unopenable converter leaves the owner empty (get() == nullptr).
    explicit IcuConverter(const char* name) noexcept {
        UErrorCode status = U_ZERO_ERROR;
        converter_ = ucnv_open(name, &status);
        if (U_FAILURE(status)) {
            close();
        }
    }
    ~IcuConverter() { close(); }

    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;
    IcuConverter(IcuConverter&& other) noexcept : converter_(other.converter_) {
        other.converter_ = nullptr;
    }
    IcuConverter& operator=(IcuConverter&& other) noexcept {
        if (this != &other) {
            close();
            converter_ = other.converter_;
            other.converter_ = nullptr;
        }
        return *this;
    }

    [[nodiscard]] UConverter* get() const noexcept { return converter_; }
    explicit operator bool() const noexcept { return converter_ != nullptr; }

  private:
    void close() noexcept {
        if (converter_ != nullptr) {
            ucnv_close(converter_);
            converter_ = nullptr;
        }
    }

    UConverter* converter_ = nullptr;
};

}  // namespace ld::detail

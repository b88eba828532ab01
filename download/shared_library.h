// A shared library opened at run time and closed again when the object goes.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

namespace ld {

class SharedLibrary {
  public:
    // The opened library, or nothing when it cannot be loaded.
    static std::optional<SharedLibrary> open(const std::filesystem::path& file);

    // Address of an exported symbol, nullptr when the library has none.
    [[nodiscard]] void* symbol(const char* name) const;

  private:
    struct Closer {
        void operator()(void* handle) const noexcept;
    };
    explicit SharedLibrary(void* handle) : handle_(handle) {}

    std::unique_ptr<void, Closer> handle_;
};

}  // namespace ld

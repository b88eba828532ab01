// SharedLibrary on Windows (LoadLibraryW).
#include <windows.h>

#include "download/shared_library.h"

namespace ld {

std::optional<SharedLibrary> SharedLibrary::open(const std::filesystem::path& file) {
    HMODULE handle = LoadLibraryW(file.c_str());
    if (handle == nullptr) {
        return std::nullopt;
    }
    return SharedLibrary(static_cast<void*>(handle));
}

void* SharedLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_.get()), name));
}

void SharedLibrary::Closer::operator()(void* handle) const noexcept {
    FreeLibrary(static_cast<HMODULE>(handle));
}

}  // namespace ld

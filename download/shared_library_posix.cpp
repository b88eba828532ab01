// SharedLibrary on POSIX systems (dlopen).
#include <dlfcn.h>

#include "download/shared_library.h"

namespace ld {

std::optional<SharedLibrary> SharedLibrary::open(const std::filesystem::path& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::nullopt;
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::symbol(const char* name) const {
    return dlsym(handle_.get(), name);
}

void SharedLibrary::Closer::operator()(void* handle) const noexcept {
    dlclose(handle);
}

}  // namespace ld

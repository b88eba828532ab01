// Pins the library on POSIX systems: opening itself again with RTLD_NODELETE makes every
// later dlclose leave it mapped.
#include <dlfcn.h>

#include "engine/library_pin.h"

namespace ld::engine {

void keepLibraryLoaded() noexcept {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&keepLibraryLoaded), &info) == 0 ||
        info.dli_fname == nullptr) {
        return;
    }
    // The handle is dropped on purpose: the mapping is to outlive every dlclose.
    (void)::dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace ld::engine

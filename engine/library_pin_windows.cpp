// Pins the library on Windows: a module pinned through GetModuleHandleExW stays loaded until
// the process ends, whatever FreeLibrary calls follow.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "engine/library_pin.h"

namespace ld::engine {

void keepLibraryLoaded() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&keepLibraryLoaded), &module);
}

}  // namespace ld::engine

// executablePath on Windows: GetModuleFileNameW of the process's own module.
#include <windows.h>

#include <string>

#include "app/executable_path.h"

namespace ld {

std::filesystem::path executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size == 0) {
            return {};
        }
        if (size < buffer.size()) {
            buffer.resize(size);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);  // cut short: ask again with more room
    }
}

}  // namespace ld

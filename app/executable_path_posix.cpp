// executablePath on Linux: the link /proc/self/exe.
#include <system_error>

#include "app/executable_path.h"

namespace ld {

std::filesystem::path executablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

}  // namespace ld

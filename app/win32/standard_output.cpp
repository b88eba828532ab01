#include "app/win32/standard_output.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "app/win32/wide_text.h"

namespace ld::win32 {
namespace {

struct Stream {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool console = false;
};

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// The inherited handle, or the parent's console (attached once for both streams).
Stream openStream(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (usable(handle)) {
        return {handle, isConsole(handle)};
    }
    static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    if (!attached) {
        return {};
    }
    handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {};
    }
    return {handle, true};  // lives as long as the process
}

void write(const Stream& stream, std::string_view utf8) {
    if (stream.handle == INVALID_HANDLE_VALUE || utf8.empty()) {
        return;
    }
    if (stream.console) {
        const std::wstring wide = wideFromUtf8(utf8);
        DWORD written = 0;
        WriteConsoleW(stream.handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                      nullptr);
        return;
    }
    while (!utf8.empty()) {
        DWORD written = 0;
        if (!WriteFile(stream.handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written,
                       nullptr) ||
            written == 0) {
            return;  // a closed pipe: the lines are dropped
        }
        utf8.remove_prefix(written);
    }
}

std::mutex& writing() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void writeStandardOutput(std::string_view utf8) {
    const std::lock_guard lock(writing());
    static const Stream stream = openStream(STD_OUTPUT_HANDLE);
    write(stream, utf8);
}

void writeStandardError(std::string_view utf8) {
    const std::lock_guard lock(writing());
    static const Stream stream = openStream(STD_ERROR_HANDLE);
    write(stream, utf8);
}

}  // namespace ld::win32

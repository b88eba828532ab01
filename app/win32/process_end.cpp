#include "app/win32/process_end.h"

#include <windows.h>

#include <cstdio>

namespace ld::win32 {

void endProcess(int exitCode) {
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));  // not reached: TerminateProcess ends this thread too
}

}  // namespace ld::win32

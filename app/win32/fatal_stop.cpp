#include "app/win32/fatal_stop.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/win32/process_end.h"
#include "app/win32/standard_output.h"
#include "app/win32/wide_text.h"
#include "text/codepage.h"

namespace ld::win32 {
namespace {

// Closes this thread's message boxes; runs from the box's own message loop.
void CALLBACK closeMessageBoxes(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    KillTimer(nullptr, timer);
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770") {  // the dialog class a message box uses
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            }
            return TRUE;
        },
        0);
}

}  // namespace

void fatalStop(const Text& message) {
    const Text text = fatalStopText(message);
    writeStandardError(gbkToUtf8(text));
    if (std::getenv("LD_TEST_NO_DIALOGS") != nullptr) {
        SetTimer(nullptr, 0, 0, closeMessageBoxes);
    }
    const std::wstring caption = wideFromUtf8(kFatalStopCaption);
    MessageBoxW(nullptr, toWide(text).c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
    endProcess(-1);
}

}  // namespace ld::win32

#include "app/win32/save_folder.h"

#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include "app/win32/wide_text.h"
#include "app/win32/win32_handles.h"

namespace ld::win32 {

bool folderWritable(const std::string& folder) {
    std::wstring probe = wideFromUtf8(folder);
    if (probe.empty()) {
        return false;
    }
    if (probe.back() != L'\\' && probe.back() != L'/') {
        probe += L'\\';  // also makes "D:" the root folder of D:
    }
    probe += L".lecture-downloader-write-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE file = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_EXISTS;  // somebody could write there
    }
    CloseHandle(file);  // and it is gone
    return true;
}

std::string userDownloadsFolder() {
    PWSTR path = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Downloads, KF_FLAG_DEFAULT, nullptr, &path))) {
        CoTaskMemFree(path);
        return {};
    }
    const UniqueCoTask<wchar_t> owned(path);
    return utf8FromWide(owned.get());
}

}  // namespace ld::win32

#include "app/win32/folder_picker.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include "app/win32/win32_handles.h"

namespace ld::win32 {

std::wstring pickFolder(HWND owner, const std::wstring& title) {
    Microsoft::WRL::ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog)))) {
        return {};
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(title.c_str());
    if (FAILED(dialog->Show(owner))) {
        return {};  // cancelled (or no dialog to be had)
    }
    Microsoft::WRL::ComPtr<IShellItem> chosen;
    if (FAILED(dialog->GetResult(&chosen))) {
        return {};
    }
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) {
        return {};  // a library, a phone, ...: nothing on the file system
    }
    const UniqueCoTask<wchar_t> owned(path);
    return owned.get();
}

}  // namespace ld::win32

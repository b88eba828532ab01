// Owning wrappers for the Win32 handles the window keeps: each releases its
// handle with the call the system asks for, once, when it goes out of scope.
// Not thread-bound, but GDI objects and windows belong to the window's thread.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ld::win32 {

struct GdiObjectRelease {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct IconRelease {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
struct MemoryDcRelease {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
struct LocalRelease {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
struct CoTaskRelease {
    void operator()(void* memory) const noexcept { CoTaskMemFree(memory); }
};

using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectRelease>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectRelease>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconRelease>;
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcRelease>;
template <typename T>
using UniqueLocal = std::unique_ptr<T, LocalRelease>;
template <typename T>
using UniqueCoTask = std::unique_ptr<T, CoTaskRelease>;

// A GDI object selected into a device context until the scope ends.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { SelectObject(dc_, previous_); }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace ld::win32

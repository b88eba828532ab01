// The window's layout is drawn in pixels at 96 DPI; on a monitor of another
// DPI every length grows in proportion, as the controls themselves would.
// Values only; any thread.
#pragma once

#include <windows.h>

#include "window/window_layout.h"

namespace ld::win32 {

struct DpiScale {
    UINT dpi = USER_DEFAULT_SCREEN_DPI;

    [[nodiscard]] int operator()(int pixels) const {
        return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    }
    [[nodiscard]] RECT rect(const layout::Rect& designed) const {
        // Edges scale, not sizes, so neighbouring controls stay neighbours.
        return {(*this)(designed.left), (*this)(designed.top), (*this)(designed.right()),
                (*this)(designed.bottom())};
    }
    [[nodiscard]] SIZE size(const layout::Size& designed) const {
        return {(*this)(designed.width), (*this)(designed.height)};
    }
};

}  // namespace ld::win32

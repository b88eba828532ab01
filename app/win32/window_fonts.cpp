#include "app/win32/window_fonts.h"

#include "app/win32/dpi_scale.h"
#include "window/window_layout.h"

namespace ld::win32 {
namespace {

constexpr int kControlFontPixels = 12;

LOGFONTW messageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    return font;
}

}  // namespace

WindowFonts makeWindowFonts(UINT dpi) {
    const DpiScale scale{dpi};
    LOGFONTW font = messageFont(dpi);
    font.lfHeight = -scale(kControlFontPixels);  // the character height, in pixels
    font.lfWidth = 0;
    font.lfQuality = CLEARTYPE_QUALITY;
    WindowFonts fonts;
    fonts.normal.reset(CreateFontIndirectW(&font));
    font.lfHeight = -scale(layout::kAboutFontPixels);
    font.lfWeight = FW_BOLD;
    fonts.about.reset(CreateFontIndirectW(&font));
    return fonts;
}

}  // namespace ld::win32

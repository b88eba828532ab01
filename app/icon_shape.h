// The program's icon as shapes, in fractions of the icon's side: a blue tile
// with a white play triangle above a green download arrow with a white
// outline. The Qt window paints it (app/qt/app_icon.cpp) and the Windows build
// rasterises it into the program's .ico (app/icons/ico_writer.cpp), so both
// systems show the same picture. Constants only.
#pragma once

#include <array>
#include <cstdint>

namespace ld::icon {

struct Point {
    double x;
    double y;
};

struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// The tile: a rounded square, a vertical gradient from top to bottom.
inline constexpr double kTileInset = 0.03;
inline constexpr double kTileSide = 0.94;
inline constexpr double kTileCornerRadius = 0.18;
inline constexpr Colour kTileTop{0x3a, 0x8d, 0xde};
inline constexpr Colour kTileBottom{0x1b, 0x4f, 0x9c};

inline constexpr std::array<Point, 3> kPlayTriangle{{{0.30, 0.16}, {0.30, 0.60}, {0.68, 0.38}}};
inline constexpr Colour kPlayColour{0xff, 0xff, 0xff};

inline constexpr std::array<Point, 7> kArrow{{
    {0.60, 0.56},
    {0.76, 0.56},
    {0.76, 0.70},
    {0.88, 0.70},
    {0.68, 0.90},
    {0.48, 0.70},
    {0.60, 0.70},
}};
inline constexpr Colour kArrowColour{0x4c, 0xd9, 0x64};
// The arrow's outline, at least one pixel wide.
inline constexpr double kArrowOutlineWidth = 0.025;
inline constexpr Colour kArrowOutlineColour{0xff, 0xff, 0xff};

}  // namespace ld::icon

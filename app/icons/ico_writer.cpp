// Build tool of the Windows build, run on the build machine: writes the
// program's icon (app/icon_shape.h) as a Windows .ico file with the sizes
// Windows shows (16 to 256 pixels), each a 32-bit image with alpha. The shapes
// are sampled 8 x 8 times per pixel for smooth edges. No toolkit needed.
//   ld-ico-writer <file.ico>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/icon_shape.h"

namespace {

using ld::icon::Colour;
using ld::icon::Point;

constexpr std::array<int, 7> kSizes = {16, 24, 32, 48, 64, 128, 256};
constexpr int kSamples = 8;  // per pixel and axis

template <std::size_t n>
bool insidePolygon(const std::array<Point, n>& points, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = points[i];
        const Point b = points[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside;
}

double distanceToSegment(Point a, Point b, double x, double y) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

template <std::size_t n>
bool onOutline(const std::array<Point, n>& points, double x, double y, double halfWidth) {
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        if (distanceToSegment(points[j], points[i], x, y) <= halfWidth) {
            return true;
        }
    }
    return false;
}

bool insideTile(double x, double y) {
    using namespace ld::icon;
    const double low = kTileInset + kTileCornerRadius;
    const double high = kTileInset + kTileSide - kTileCornerRadius;
    if (x < kTileInset || y < kTileInset || x > kTileInset + kTileSide ||
        y > kTileInset + kTileSide) {
        return false;
    }
    const double cx = std::clamp(x, low, high);
    const double cy = std::clamp(y, low, high);
    return std::hypot(x - cx, y - cy) <= kTileCornerRadius;
}

struct Sample {
    bool covered = false;
    Colour colour{};
};

// The colour at one point (fractions of the side) of an icon `size` pixels wide.
Sample sampleAt(double x, double y, int size) {
    using namespace ld::icon;
    Sample sample;
    if (insideTile(x, y)) {
        const double t = std::clamp(y, 0.0, 1.0);
        const auto mix = [t](std::uint8_t top, std::uint8_t bottom) {
            return static_cast<std::uint8_t>(std::lround(top + (bottom - top) * t));
        };
        sample = {true,
                  {mix(kTileTop.red, kTileBottom.red), mix(kTileTop.green, kTileBottom.green),
                   mix(kTileTop.blue, kTileBottom.blue)}};
    }
    if (insidePolygon(kPlayTriangle, x, y)) {
        sample = {true, kPlayColour};
    }
    if (insidePolygon(kArrow, x, y)) {
        sample = {true, kArrowColour};
    }
    const double outline = std::max(1.0 / size, kArrowOutlineWidth);
    if (onOutline(kArrow, x, y, outline / 2)) {
        sample = {true, kArrowOutlineColour};
    }
    return sample;
}

// Bottom-up rows of BGRA pixels (straight alpha), as an icon's bitmap holds them.
std::vector<std::uint8_t> drawIcon(int size) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            double red = 0;
            double green = 0;
            double blue = 0;
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Sample s = sampleAt((column + (sx + 0.5) / kSamples) / size,
                                              (row + (sy + 0.5) / kSamples) / size, size);
                    if (s.covered) {
                        red += s.colour.red;
                        green += s.colour.green;
                        blue += s.colour.blue;
                        ++covered;
                    }
                }
            }
            const std::size_t at = (static_cast<std::size_t>(size - 1 - row) * size + column) * 4;
            if (covered > 0) {
                pixels[at] = static_cast<std::uint8_t>(std::lround(blue / covered));
                pixels[at + 1] = static_cast<std::uint8_t>(std::lround(green / covered));
                pixels[at + 2] = static_cast<std::uint8_t>(std::lround(red / covered));
                pixels[at + 3] =
                    static_cast<std::uint8_t>(std::lround(255.0 * covered / (kSamples * kSamples)));
            }
        }
    }
    return pixels;
}

void put16(std::string& out, unsigned value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// One image of the file: a BITMAPINFOHEADER (height doubled for the mask),
// the pixels, and an all-zero AND mask (the alpha channel decides).
std::string iconImage(int size) {
    std::string image;
    put32(image, 40);
    put32(image, static_cast<std::uint32_t>(size));
    put32(image, static_cast<std::uint32_t>(size * 2));
    put16(image, 1);   // planes
    put16(image, 32);  // bits per pixel
    for (int field = 0; field < 6; ++field) {
        put32(image, 0);  // no compression, sizes and palette unused
    }
    const std::vector<std::uint8_t> pixels = drawIcon(size);
    image.append(pixels.begin(), pixels.end());
    const int maskRowBytes = (size + 31) / 32 * 4;
    image.append(static_cast<std::size_t>(maskRowBytes) * size, '\0');
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.ico>\n", argv[0]);
        return 2;
    }
    std::vector<std::string> images;
    for (const int size : kSizes) {
        images.push_back(iconImage(size));
    }
    std::string file;
    put16(file, 0);
    put16(file, 1);  // an icon
    put16(file, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = kSizes[i];
        file.push_back(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        file.push_back(static_cast<char>(size >= 256 ? 0 : size));
        file.push_back(0);  // no palette
        file.push_back(0);
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<std::uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images) {
        file += image;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << file;
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

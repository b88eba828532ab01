// Parts of the Windows program around its window: the pictures of the window
// (what --screenshots and the autopilot save) and the folder the save-folder
// box starts with.
#include <windows.h>
// After windows.h:
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "app/win32/main_window.h"
#include "app/win32/save_folder.h"
#include "app/win32/window_picture.h"
#include "tests/app/window_fixtures.h"
#include "text/codepage.h"
#include "window/control_aliases.h"

namespace ld::testing {
namespace {

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

struct Picture {
    UINT width = 0;
    UINT height = 0;
    std::vector<BYTE> bgra;  // top-down rows

    [[nodiscard]] COLORREF at(UINT x, UINT y) const {
        const BYTE* pixel = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
        return RGB(pixel[2], pixel[1], pixel[0]);
    }
};

// The PNG file decoded by the system's imaging.
Picture readPng(const fs::path& file) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    Picture picture;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(frame->GetSize(&picture.width, &picture.height))) {
        return {};
    }
    picture.bgra.resize(static_cast<std::size_t>(picture.width) * picture.height * 4);
    converter->CopyPixels(nullptr, picture.width * 4, static_cast<UINT>(picture.bgra.size()),
                          picture.bgra.data());
    return picture;
}

fs::path scratchFolder(const char* name) {
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

TEST(Win32Picture, ShowsTheWholeClientAreaWithTheControlsOfThePage) {
    auto window = Win32WindowKind::make();
    window->show();
    window->setText(kSpeedLabel, gbk("当前速度：3MB"));
    window->tabs().setCurrentPage(1);
    Win32WindowKind::pump();
    const fs::path folder = scratchFolder("win32-picture-test");
    ASSERT_TRUE(win32::saveWindowPicture(window->handle(), folder / "page.png"));

    const Picture picture = readPng(folder / "page.png");
    RECT client{};
    GetClientRect(window->handle(), &client);
    ASSERT_EQ(picture.width, static_cast<UINT>(client.right));
    ASSERT_EQ(picture.height, static_cast<UINT>(client.bottom));
    // The speed line's red text is in the picture, inside the label's place.
    RECT label{};
    GetWindowRect(window->control(kSpeedLabel), &label);
    MapWindowPoints(nullptr, window->handle(), reinterpret_cast<POINT*>(&label), 2);
    int red = 0;
    for (LONG y = label.top; y < label.bottom; ++y) {
        for (LONG x = label.left; x < label.right; ++x) {
            const COLORREF colour = picture.at(static_cast<UINT>(x), static_cast<UINT>(y));
            red += GetRValue(colour) > 200 && GetGValue(colour) < 120 && GetBValue(colour) < 120;
        }
    }
    EXPECT_GT(red, 20);
    // ... and the list's white, outside it.
    RECT list{};
    GetWindowRect(window->list(kDownloadList).handle(), &list);
    MapWindowPoints(nullptr, window->handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(picture.at(static_cast<UINT>(list.left + 20), static_cast<UINT>(list.bottom - 20)),
              RGB(255, 255, 255));
    fs::remove_all(folder);
}

TEST(Win32Picture, AnUnwritableFileIsReported) {
    auto window = Win32WindowKind::make();
    window->show();
    Win32WindowKind::pump();
    EXPECT_FALSE(win32::saveWindowPicture(window->handle(), "Z:\\no such folder\\x\\page.png"));
}

TEST(Win32SaveFolder, AFolderIsWritableWhenAFileCanBeMadeThereAndNothingIsLeftBehind) {
    const fs::path folder = scratchFolder("win32-save-folder-test");
    const std::u8string name = folder.u8string();
    EXPECT_TRUE(win32::folderWritable(std::string(name.begin(), name.end())));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_FALSE(win32::folderWritable(std::string(name.begin(), name.end()) + "\\missing"));
    EXPECT_FALSE(win32::folderWritable(""));
    fs::remove_all(folder);

    const std::string downloads = win32::userDownloadsFolder();
    ASSERT_FALSE(downloads.empty());
    EXPECT_TRUE(fs::path(downloads).is_absolute()) << downloads;
}

}  // namespace
}  // namespace ld::testing

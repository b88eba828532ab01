#include "app/win32/window_picture.h"

#include <wincodec.h>
#include <wrl/client.h>

#include "app/win32/win32_handles.h"

namespace ld::win32 {
namespace {

using Microsoft::WRL::ComPtr;

struct Pixels {
    UniqueBitmap bitmap;
    void* bits = nullptr;
    int width = 0;
    int height = 0;
};

// The client area as the window shows it, copied from its own device context
// into a 32-bit top-down DIB once every control has painted.
Pixels copyClientArea(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Pixels pixels;
    pixels.width = client.right;
    pixels.height = client.bottom;
    if (pixels.width <= 0 || pixels.height <= 0) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels.bits, nullptr, 0));
    const UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
    if (!pixels.bitmap || !memory) {
        return {};
    }
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const HDC screen = GetDC(window);
    bool copied = false;
    {
        const SelectedObject selected(memory.get(), pixels.bitmap.get());
        copied =
            BitBlt(memory.get(), 0, 0, pixels.width, pixels.height, screen, 0, 0, SRCCOPY) != FALSE;
    }
    ReleaseDC(window, screen);
    GdiFlush();
    return copied ? std::move(pixels) : Pixels{};
}

bool encodePng(const Pixels& pixels, const std::filesystem::path& file) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    const UINT stride = static_cast<UINT>(pixels.width) * 4;
    const UINT size = stride * static_cast<UINT>(pixels.height);
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&factory))) &&
           SUCCEEDED(factory->CreateBitmapFromMemory(static_cast<UINT>(pixels.width),
                                                     static_cast<UINT>(pixels.height),
                                                     GUID_WICPixelFormat32bppBGR, stride, size,
                                                     static_cast<BYTE*>(pixels.bits), &bitmap)) &&
           SUCCEEDED(factory->CreateStream(&stream)) &&
           SUCCEEDED(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->WriteSource(bitmap.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

}  // namespace

bool saveWindowPicture(HWND window, const std::filesystem::path& file) {
    const Pixels pixels = copyClientArea(window);
    return pixels.bitmap && encodePng(pixels, file);
}

}  // namespace ld::win32

// Screen capture of one window into an uncompressed 24-bit bottom-up BMP.
#include "sample_host/screen_capture.h"

#include <stdio.h>

#include <vector>

namespace {

bool write_bmp(const std::string& path, int width, int height, const std::vector<unsigned char>& pixels) {
    BITMAPFILEHEADER file_header = {};
    BITMAPINFOHEADER info_header = {};
    info_header.biSize = sizeof(info_header);
    info_header.biWidth = width;
    info_header.biHeight = height;  // positive: rows bottom-up, as GetDIBits gave them
    info_header.biPlanes = 1;
    info_header.biBitCount = 24;
    info_header.biCompression = BI_RGB;
    info_header.biSizeImage = static_cast<DWORD>(pixels.size());
    file_header.bfType = 0x4D42;  // "BM"
    file_header.bfOffBits = sizeof(file_header) + sizeof(info_header);
    file_header.bfSize = file_header.bfOffBits + info_header.biSizeImage;

    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = fwrite(&file_header, sizeof(file_header), 1, file) == 1;
    ok = ok && fwrite(&info_header, sizeof(info_header), 1, file) == 1;
    ok = ok && fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
    return fclose(file) == 0 && ok;
}

}  // namespace

bool save_window_bmp(HWND window, const std::string& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) != 0;
    if (!copied) copied = PrintWindow(window, memory, 0) != 0;
    SelectObject(memory, previous);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    std::vector<unsigned char> pixels(stride * static_cast<size_t>(height));
    const bool read = copied && GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) == height;

    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return read && write_bmp(path, width, height, pixels);
}

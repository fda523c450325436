#include "skin_test_support.h"

#include "platform/Gdi.h"

#include <cstdio>

namespace skintest {

bool OwnerWindow::Open(int x, int y, int width, int height) {
    if (!CreateModeless(nullptr)) return false;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, GetWindowLongA(Handle(), GWL_STYLE), FALSE, GetWindowLongA(Handle(), GWL_EXSTYLE));
    SetWindowPos(Handle(), HWND_TOP, x, y, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
    SetActiveWindow(Handle());
    Pump();
    return true;
}

bool OwnerWindow::OnCommand(UINT code, UINT id, HWND control) {
    if (control) commands.push_back((code << 16) | id);
    return SkinDialog::OnCommand(code, id, control);
}

tw::UniqueHBitmap SolidBitmap(int width, int height, COLORREF colour) {
    tw::WindowDC screen(nullptr);
    tw::UniqueHBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    tw::UniqueHDC dc = tw::CreateMemoryDC(screen.get());
    tw::SelectScope keep(dc.get(), bitmap.get());
    tw::UniqueHBrush brush(CreateSolidBrush(colour));
    RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, brush.get());
    return bitmap;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

COLORREF PixelAt(HWND window, int x, int y) {
    UpdateWindow(window);
    Pump();
    tw::WindowDC dc(window);
    return GetPixel(dc.get(), x, y);
}

void ClickCheckBox(HWND list, int index) {
    SendMessageA(list, LVM_ENSUREVISIBLE, index, FALSE);
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 8, (row.top + row.bottom) / 2);  // the box leads the row
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    Pump();
}

RECT ChildRect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void WriteFile(const std::string& name, const std::string& bytes) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string BmpBytes(int width, int height, COLORREF colour) {
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<std::size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x * 3)] = static_cast<char>(GetBValue(colour));
        row[static_cast<std::size_t>(x * 3 + 1)] = static_cast<char>(GetGValue(colour));
        row[static_cast<std::size_t>(x * 3 + 2)] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

std::string CurrentFolder() {
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

}  // namespace skintest

#include "skin_preview.h"

#include "platform/Gdi.h"
#include "resource.h"
#include "skin_test_support.h"

namespace skintest {

void PreviewPage::ButtonPressed(std::string name) { screen_.pressed.push_back(SkinName() + ":" + name); }

SkinPreview::SkinPreview(tw::Notifier& notifier)
    : MainSkinDialog(IDD_SKIN_DIALOG, CheckListMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL},
                     notifier) {}

bool SkinPreview::Build() { return CreateModeless(nullptr) && Handle(); }

PreviewPage* SkinPreview::Page(const std::string& name) const {
    return static_cast<PreviewPage*>(MainSkinDialog::Page(name));
}

void SkinPreview::Show(const std::string& primary, const std::string& side) {
    ShowPage(primary);
    if (!side.empty()) ShowSidePage(side);
}

// Writes the window as it appears on the screen, on a plain backdrop, as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& path, COLORREF& probe) {
    const int margin = 14;
    RECT r{};
    GetWindowRect(window, &r);
    int w = r.right - r.left + 2 * margin, h = r.bottom - r.top + 2 * margin;
    tw::WindowDC screen(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    tw::UniqueHDC dc = tw::CreateMemoryDC(screen.get());
    tw::UniqueHBitmap shot(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!shot) return false;
    tw::SelectScope keep(dc.get(), shot.get());
    RECT all{0, 0, w, h};
    tw::UniqueHBrush backdrop(CreateSolidBrush(RGB(221, 227, 232)));
    FillRect(dc.get(), &all, backdrop.get());
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(window, shape) != ERROR) {
        OffsetRgn(shape, margin, margin);
        SelectClipRgn(dc.get(), shape);
    }
    BitBlt(dc.get(), margin, margin, r.right - r.left, r.bottom - r.top, screen.get(), r.left, r.top, SRCCOPY);
    SelectClipRgn(dc.get(), nullptr);
    DeleteObject(shape);
    GdiFlush();
    probe = GetPixel(dc.get(), margin + 3 + 60, margin + 3 + 40);  // inside the scan button

    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * h);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    info.bmiHeader.biSizeImage = static_cast<DWORD>(stride * h);
    bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    bytes.append(static_cast<const char*>(bits), static_cast<std::size_t>(stride * h));
    DeleteFileA(path.c_str());
    WriteFile(path, bytes);
    return true;
}

}  // namespace skintest

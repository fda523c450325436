#include "skin/SkinRegion.h"

#include "platform/Gdi.h"
#include "skin/RegionRuns.h"

#include <climits>
#include <memory>

const char kRegionFailedText[] = "Unable To Set Window Region";
const char kNoRegionText[] = "The window outline could not be made from the mask image.";

namespace {

const DWORD kBatch = 2000;

// One batch of rectangles in the layout ExtCreateRegion reads.
struct RegionBatch {
    RGNDATAHEADER header;
    RECT rects[kBatch];

    void Clear() {
        header.dwSize = sizeof(RGNDATAHEADER);
        header.iType = RDH_RECTANGLES;
        header.nCount = 0;
        header.nRgnSize = 0;
        SetRect(&header.rcBound, INT_MAX, INT_MAX, 0, 0);
    }
    void Add(int x0, int y, int x1) {
        SetRect(&rects[header.nCount++], x0, y, x1, y + 1);
        RECT& b = header.rcBound;
        if (x0 < b.left) b.left = x0;
        if (y < b.top) b.top = y;
        if (x1 > b.right) b.right = x1;
        if (y + 1 > b.bottom) b.bottom = y + 1;
    }
};

}  // namespace

tw::UniqueHRgn BitmapToRegion(HBITMAP bitmap, COLORREF key, COLORREF tolerance) {
    SIZE size = tw::BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return {};
    tw::UniqueHDC copyDc = tw::CreateMemoryDC(nullptr);
    if (!copyDc) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;  // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    tw::UniqueHBitmap copy(CreateDIBSection(copyDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || !bits) return {};
    tw::SelectScope keepCopy(copyDc.get(), copy.get());
    {
        tw::UniqueHDC sourceDc = tw::CreateMemoryDC(copyDc.get());
        if (!sourceDc) return {};
        tw::SelectScope keepSource(sourceDc.get(), bitmap);
        BitBlt(copyDc.get(), 0, 0, size.cx, size.cy, sourceDc.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();  // the DIB's memory is read directly below

    std::unique_ptr<RegionBatch> batch(new RegionBatch);
    batch->Clear();
    tw::UniqueHRgn result;
    bool failed = false;
    auto flush = [&] {
        HRGN part = ExtCreateRegion(nullptr, sizeof(RGNDATAHEADER) + batch->header.nCount * sizeof(RECT),
                                    reinterpret_cast<const RGNDATA*>(batch.get()));
        if (!part) {
            failed = true;
        } else if (!result) {
            result.reset(part);
        } else {
            if (CombineRgn(result.get(), result.get(), part, RGN_OR) == ERROR) failed = true;
            DeleteObject(part);
        }
        batch->Clear();
    };

    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(size.cx) * 4;
    const auto* top = static_cast<const std::uint8_t*>(bits) + stride * (size.cy - 1);
    ForEachOpaqueRun(top, -stride, size.cx, size.cy, MakeKeyRange(key, tolerance), [&](int x0, int y, int x1) {
        batch->Add(x0, y, x1);
        if (batch->header.nCount == kBatch) flush();
    });
    flush();
    if (failed) return {};
    return result;
}

bool SetRegionFromMask(HWND window, HBITMAP mask, tw::Notifier& notifier) {
    if (!window) return false;
    tw::UniqueHRgn region = BitmapToRegion(mask, RGB(255, 255, 255), 0x101010);
    RECT box{};
    if (region && GetRgnBox(region.get(), &box) == NULLREGION) region.reset();
    bool set = false;
    if (!region) {
        notifier.Notify(kNoRegionText);
    } else if (SetWindowRgn(window, region.get(), TRUE)) {
        static_cast<void>(region.release());  // the window owns it now
        set = true;
    } else {
        notifier.Notify(kRegionFailedText);
    }
    InvalidateRect(window, nullptr, TRUE);
    return set;
}

// Scoped device-context work: borrowed DCs go back the way they came, selections are undone.
#pragma once

#include "platform/Handles.h"

namespace tw {

// GetDC / ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ~PaintDC() { EndPaint(window_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC get() const noexcept { return dc_; }
    const RECT& Dirty() const noexcept { return ps_.rcPaint; }

private:
    HWND window_;
    HDC dc_ = nullptr;
    PAINTSTRUCT ps_{};
};

// SelectObject that puts the previous object back. A null object selects nothing.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

inline UniqueHDC CreateMemoryDC(HDC compatibleWith) noexcept { return UniqueHDC(CreateCompatibleDC(compatibleWith)); }

// Width and height of a bitmap; 0 x 0 for none.
inline SIZE BitmapSize(HBITMAP bitmap) noexcept {
    BITMAP bm{};
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

inline int RectWidth(const RECT& r) noexcept { return r.right - r.left; }
inline int RectHeight(const RECT& r) noexcept { return r.bottom - r.top; }

}  // namespace tw

// GDI+ for one decoding session, loaded from the system folder at run time rather than imported:
// the loader maps an import before the program's first instruction, from wherever the DLL search
// finds it first, which may be a gdiplus.dll planted beside the program. Only the flat functions
// that decoding an animated GIF needs are looked up.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

class GdiplusSession {
public:
    GdiplusSession();   // loads gdiplus.dll and starts GDI+
    ~GdiplusSession();  // shuts GDI+ down and lets the DLL go
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    // False when gdiplus.dll cannot be loaded, lacks one of the functions, or does not start.
    bool Ok() const { return started_; }

#define TW_GDIPLUS_FLAT(name) decltype(&Gdiplus::DllExports::Gdip##name) name = nullptr
    TW_GDIPLUS_FLAT(LoadImageFromStream);
    TW_GDIPLUS_FLAT(DisposeImage);
    TW_GDIPLUS_FLAT(GetImageWidth);
    TW_GDIPLUS_FLAT(GetImageHeight);
    TW_GDIPLUS_FLAT(ImageGetFrameCount);
    TW_GDIPLUS_FLAT(ImageSelectActiveFrame);
    TW_GDIPLUS_FLAT(GetPropertyItemSize);
    TW_GDIPLUS_FLAT(GetPropertyItem);
    TW_GDIPLUS_FLAT(CreateFromHDC);
    TW_GDIPLUS_FLAT(DeleteGraphics);
    TW_GDIPLUS_FLAT(SetInterpolationMode);
    TW_GDIPLUS_FLAT(DrawImageRectI);
#undef TW_GDIPLUS_FLAT

private:
    HMODULE module_ = nullptr;
    ULONG_PTR token_ = 0;
    bool started_ = false;
    decltype(&Gdiplus::GdiplusShutdown) shutdown_ = nullptr;
};

// The frame dimension of an animation's frames in time (FrameDimensionTime).
extern const GUID kGdiplusFrameDimensionTime;

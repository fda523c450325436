// Skin pictures: loading from a file beside the skin file or from a "GIF" resource, cutting
// element images out of full-window images, drawing.
#pragma once

#include "platform/Handles.h"
#include "skin/SkinImageCache.h"

#include <string>

// Loads the picture named by path into bitmap (replacing what it held) and returns its size.
// A file at path wins; otherwise the resource of type "GIF" named after the file (see
// ImageResourceName). JPEG, BMP and GIF decode through the OLE picture loader.
// When neither exists or the picture cannot be decoded, bitmap gets a placeholder that says which
// image is missing (kMissingImageSize square) and *found is false.
SIZE LoadSkinImage(const std::string& path, tw::UniqueHBitmap& bitmap, bool* found = nullptr);
// The same for a picture several holders share: the decoder's own bitmap, no copy of it, kept for
// as long as one of them holds it.
SIZE LoadSharedSkinImage(const std::string& path, SharedBitmap& bitmap, bool* found = nullptr);

const int kMissingImageSize = 500;

// target becomes a new bitmap, compatible with dc, holding the rectangle of source. A source
// without a bitmap leaves target unchanged; an empty rectangle leaves target empty.
void CropBitmap(HDC dc, tw::UniqueHBitmap& target, HBITMAP source, int left, int top, int right, int bottom);

// CropBitmap for many cuts: one pair of memory DCs, made on the first cut, serves them all, and a
// source stays selected from one cut to the next. dc must outlive the cutter. A bitmap selected
// into a DC can be neither drawn elsewhere nor deleted, so let go (Release) before anything may
// paint or delete a source; a cut is never left selected.
class BitmapCutter {
public:
    explicit BitmapCutter(HDC dc) noexcept : dc_(dc) {}
    ~BitmapCutter() { Release(); }
    BitmapCutter(const BitmapCutter&) = delete;
    BitmapCutter& operator=(const BitmapCutter&) = delete;

    void Cut(tw::UniqueHBitmap& target, HBITMAP source, int left, int top, int right, int bottom);
    // Puts the source back out of the memory DC.
    void Release() noexcept;

private:
    bool Ready();

    HDC dc_;
    tw::UniqueHDC to_, from_;
    HGDIOBJ toOwn_ = nullptr, fromOwn_ = nullptr;  // the bitmaps the memory DCs were made with
    HBITMAP selected_ = nullptr;                   // the source now selected into from_
};

// Draws bitmap from its top-left corner into the rectangle of dc at the same size (StretchBlt when
// stretch is set, BitBlt otherwise). A missing bitmap, or one another DC holds, draws nothing.
void DrawBitmap(HDC dc, HBITMAP bitmap, int left, int top, int right, int bottom, bool stretch);

// The part of a full-window picture an element shows, drawn straight from the picture the window
// and its other elements share: the picture and the point of it where the part starts.
struct PicturePart {
    SharedBitmap picture;
    POINT origin{};
};

// Copies the width by height part to the top-left corner of dc. What lies beyond the picture's
// edges is drawn black, as in a copy cut out of it. The picture is selected into a memory DC for
// this draw only. False, drawing nothing, without a picture or when another DC holds it.
bool DrawPicturePart(HDC dc, const PicturePart& part, int width, int height);

#include "skin/GifFrames.h"

#include "platform/Gdi.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>

namespace {

// GDI+ is only needed while a movie is decoded; the frames are plain GDI bitmaps afterwards.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

tw::ComPtr<IStream> StreamOver(const std::string& bytes) {
    tw::ComPtr<IStream> stream;
    tw::UniqueHGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory) return stream;
    void* p = GlobalLock(memory.get());
    if (!p) return stream;
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(memory.get());
    // The stream frees the memory when it is released.
    if (SUCCEEDED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) memory.release();
    return stream;
}

// Delays of every frame in milliseconds; frames without one get 100 ms.
std::vector<UINT> FrameDelays(Gdiplus::Image& image, UINT frames) {
    std::vector<UINT> delays(frames, 100);
    UINT size = image.GetPropertyItemSize(PropertyTagFrameDelay);
    if (size < sizeof(Gdiplus::PropertyItem)) return delays;
    std::vector<unsigned char> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (image.GetPropertyItem(PropertyTagFrameDelay, size, item) != Gdiplus::Ok || !item->value) return delays;
    UINT count = std::min<UINT>(frames, item->length / 4);
    const auto* values = static_cast<const unsigned char*>(item->value);
    for (UINT i = 0; i < count; ++i) {
        UINT hundredths = 0;
        std::memcpy(&hundredths, values + 4 * i, 4);
        delays[i] = hundredths < 2 ? 100 : hundredths * 10;
    }
    return delays;
}

}  // namespace

bool LooksLikeGif(const std::string& bytes) {
    return bytes.size() >= 6 && (bytes.compare(0, 6, "GIF87a") == 0 || bytes.compare(0, 6, "GIF89a") == 0);
}

std::vector<GifFrame> DecodeGifFrames(const std::string& bytes, int width, int height, COLORREF background) {
    std::vector<GifFrame> frames;
    if (!LooksLikeGif(bytes) || width <= 0 || height <= 0) return frames;
    GdiplusSession gdiplus;
    if (!gdiplus.Ok()) return frames;
    tw::ComPtr<IStream> stream = StreamOver(bytes);
    if (!stream) return frames;
    {
        Gdiplus::Image image(stream.get());
        if (image.GetLastStatus() != Gdiplus::Ok || image.GetWidth() == 0 || image.GetHeight() == 0) return frames;
        GUID time = Gdiplus::FrameDimensionTime;
        UINT count = image.GetFrameCount(&time);
        if (count == 0) count = 1;  // a still picture
        // Every frame is held at the area's size: a movie with very many frames keeps its first ones.
        UINT fit = static_cast<UINT>(kMaxGifFrameBytes / (static_cast<unsigned long long>(width) * height * 4));
        count = std::min<UINT>(count, std::max<UINT>(fit, 1));
        std::vector<UINT> delays = FrameDelays(image, count);

        // Fit the picture into the area with its proportions kept.
        double scale = std::min(static_cast<double>(width) / image.GetWidth(),
                                static_cast<double>(height) / image.GetHeight());
        int w = std::max(1, static_cast<int>(image.GetWidth() * scale + 0.5));
        int h = std::max(1, static_cast<int>(image.GetHeight() * scale + 0.5));
        Gdiplus::Rect place((width - w) / 2, (height - h) / 2, w, h);

        tw::WindowDC screen(nullptr);
        tw::UniqueHDC dc = tw::CreateMemoryDC(screen.get());
        tw::UniqueHBrush fill(CreateSolidBrush(background));
        RECT all{0, 0, width, height};
        for (UINT i = 0; i < count; ++i) {
            if (image.SelectActiveFrame(&time, i) != Gdiplus::Ok && i > 0) break;
            tw::UniqueHBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
            if (!bitmap) break;
            {
                tw::SelectScope keep(dc.get(), bitmap.get());
                FillRect(dc.get(), &all, fill.get());
                Gdiplus::Graphics graphics(dc.get());
                // Scaled pictures are smoothed; one at its own size is copied pixel for pixel.
                graphics.SetInterpolationMode(scale == 1.0 ? Gdiplus::InterpolationModeNearestNeighbor
                                                           : Gdiplus::InterpolationModeHighQualityBicubic);
                if (graphics.DrawImage(&image, place) != Gdiplus::Ok) break;
            }
            frames.push_back(GifFrame{std::move(bitmap), delays[i]});
        }
    }
    return frames;
}

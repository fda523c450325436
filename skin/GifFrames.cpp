#include "skin/GifFrames.h"

#include "platform/Gdi.h"

#include "skin/GdiplusSession.h"

#include <algorithm>
#include <cstring>

namespace {

// An image or a drawing surface of a session, disposed of when it goes.
class GdipImage {
public:
    explicit GdipImage(GdiplusSession& gdiplus) : gdiplus_(gdiplus) {}
    ~GdipImage() {
        if (image_) gdiplus_.DisposeImage(image_);
    }
    GdipImage(const GdipImage&) = delete;
    GdipImage& operator=(const GdipImage&) = delete;
    Gdiplus::GpImage* get() const { return image_; }
    Gdiplus::GpImage** put() { return &image_; }

private:
    GdiplusSession& gdiplus_;
    Gdiplus::GpImage* image_ = nullptr;
};

class GdipGraphics {
public:
    GdipGraphics(GdiplusSession& gdiplus, HDC dc) : gdiplus_(gdiplus) {
        if (gdiplus_.CreateFromHDC(dc, &graphics_) != Gdiplus::Ok) graphics_ = nullptr;
    }
    ~GdipGraphics() {
        if (graphics_) gdiplus_.DeleteGraphics(graphics_);
    }
    GdipGraphics(const GdipGraphics&) = delete;
    GdipGraphics& operator=(const GdipGraphics&) = delete;
    Gdiplus::GpGraphics* get() const { return graphics_; }

private:
    GdiplusSession& gdiplus_;
    Gdiplus::GpGraphics* graphics_ = nullptr;
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
std::vector<UINT> FrameDelays(GdiplusSession& gdiplus, Gdiplus::GpImage* image, UINT frames) {
    std::vector<UINT> delays(frames, 100);
    UINT size = 0;
    if (gdiplus.GetPropertyItemSize(image, PropertyTagFrameDelay, &size) != Gdiplus::Ok ||
        size < sizeof(Gdiplus::PropertyItem))
        return delays;
    std::vector<unsigned char> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gdiplus.GetPropertyItem(image, PropertyTagFrameDelay, size, item) != Gdiplus::Ok || !item->value)
        return delays;
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
    GdipImage image(gdiplus);
    UINT imageWidth = 0, imageHeight = 0;
    if (gdiplus.LoadImageFromStream(stream.get(), image.put()) != Gdiplus::Ok ||
        gdiplus.GetImageWidth(image.get(), &imageWidth) != Gdiplus::Ok ||
        gdiplus.GetImageHeight(image.get(), &imageHeight) != Gdiplus::Ok || imageWidth == 0 || imageHeight == 0)
        return frames;
    UINT count = 0;
    if (gdiplus.ImageGetFrameCount(image.get(), &kGdiplusFrameDimensionTime, &count) != Gdiplus::Ok) count = 0;
    if (count == 0) count = 1;  // a still picture
    // Every frame is held at the area's size: a movie with very many frames keeps its first ones.
    UINT fit = static_cast<UINT>(kMaxGifFrameBytes / (static_cast<unsigned long long>(width) * height * 4));
    count = std::min<UINT>(count, std::max<UINT>(fit, 1));
    std::vector<UINT> delays = FrameDelays(gdiplus, image.get(), count);

    // Fit the picture into the area with its proportions kept.
    double scale = std::min(static_cast<double>(width) / imageWidth, static_cast<double>(height) / imageHeight);
    int w = std::max(1, static_cast<int>(imageWidth * scale + 0.5));
    int h = std::max(1, static_cast<int>(imageHeight * scale + 0.5));
    int x = (width - w) / 2, y = (height - h) / 2;

    tw::WindowDC screen(nullptr);
    tw::UniqueHDC dc = tw::CreateMemoryDC(screen.get());
    tw::UniqueHBrush fill(CreateSolidBrush(background));
    RECT all{0, 0, width, height};
    for (UINT i = 0; i < count; ++i) {
        if (gdiplus.ImageSelectActiveFrame(image.get(), &kGdiplusFrameDimensionTime, i) != Gdiplus::Ok && i > 0) break;
        tw::UniqueHBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
        if (!bitmap) break;
        {
            tw::SelectScope keep(dc.get(), bitmap.get());
            FillRect(dc.get(), &all, fill.get());
            GdipGraphics graphics(gdiplus, dc.get());
            if (!graphics.get()) break;
            // Scaled pictures are smoothed; one at its own size is copied pixel for pixel.
            gdiplus.SetInterpolationMode(graphics.get(), scale == 1.0 ? Gdiplus::InterpolationModeNearestNeighbor
                                                                      : Gdiplus::InterpolationModeHighQualityBicubic);
            if (gdiplus.DrawImageRectI(graphics.get(), image.get(), x, y, w, h) != Gdiplus::Ok) break;
        }
        frames.push_back(GifFrame{std::move(bitmap), delays[i]});
    }
    return frames;
}

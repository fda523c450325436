#include "skin/SkinImage.h"

#include "platform/Gdi.h"
#include "skin/PlainFile.h"
#include "skin/SkinLine.h"

#include <ole2.h>
#include <olectl.h>

namespace {

// A stream over a movable global block that the stream frees when released.
tw::ComPtr<IStream> StreamOver(tw::UniqueHGlobal block) {
    tw::ComPtr<IStream> stream;
    if (block && SUCCEEDED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put())))
        static_cast<void>(block.release());  // the stream frees it
    return stream;
}

tw::ComPtr<IStream> StreamFromFile(const std::string& path, DWORD& size) {
    // Not plain (a link, a second name of a file elsewhere): the built-in picture of that name.
    tw::UniqueFile file = skinfile::OpenPlain(path, GENERIC_READ, 0);
    if (!file) return {};
    size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size == 0) return {};
    tw::UniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    void* bytes = block ? GlobalLock(block.get()) : nullptr;
    if (!bytes) return {};
    DWORD got = 0;
    bool read = ReadFile(file.get(), bytes, size, &got, nullptr) && got == size;
    GlobalUnlock(block.get());
    if (!read) return {};
    return StreamOver(std::move(block));
}

tw::ComPtr<IStream> StreamFromResource(const std::string& path, DWORD& size) {
    HMODULE module = GetModuleHandleA(nullptr);
    std::string name = ImageResourceName(path);
    if (name.empty()) return {};
    HRSRC found = FindResourceA(module, name.c_str(), "GIF");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* source = loaded ? LockResource(loaded) : nullptr;
    size = found ? SizeofResource(module, found) : 0;
    if (!source || size == 0) return {};
    tw::UniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    void* bytes = block ? GlobalLock(block.get()) : nullptr;
    if (!bytes) return {};
    CopyMemory(bytes, source, size);
    GlobalUnlock(block.get());
    return StreamOver(std::move(block));
}

// The decoded picture's bitmap, kept by the picture object that owns it: it frees the bitmap when
// the last holder lets go of the picture. Null when the data is no bitmap picture.
SharedBitmap Decode(IStream* stream, DWORD size) {
    // The decoders behind OleLoadPicture are COM objects; a thread that has not joined COM yet
    // joins for the duration of the call.
    HRESULT joined = CoInitialize(nullptr);
    SharedBitmap shared;
    {
        tw::ComPtr<IPicture> picture;
        if (SUCCEEDED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, picture.put_void())) &&
            picture) {
            OLE_HANDLE handle = 0;
            short type = PICTYPE_NONE;
            if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
                SUCCEEDED(picture->get_Handle(&handle)) && handle) {
                IPicture* owner = picture.get();
                owner->AddRef();
                try {
                    shared = SharedBitmap(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)),
                                          [owner](HBITMAP) { owner->Release(); });
                } catch (...) {
                    owner->Release();  // the shared_ptr could not be made; it released nothing
                }
            }
        }
    }
    if (SUCCEEDED(joined)) CoUninitialize();
    return shared;
}

// Opens the picture at path: the file, or else the program's resource named after it.
tw::ComPtr<IStream> OpenPicture(const std::string& path, DWORD& size) {
    tw::ComPtr<IStream> stream = StreamFromFile(path, size);
    if (!stream) stream = StreamFromResource(path, size);
    return stream;
}

// A memory DC holding a picture for one draw; it lets go of the picture when it goes. Empty when
// the picture cannot be selected: a bitmap is in one DC at a time.
class PictureDC {
public:
    PictureDC(HDC compatibleWith, HBITMAP picture) noexcept
        : dc_(picture ? tw::CreateMemoryDC(compatibleWith) : tw::UniqueHDC()),
          old_(dc_ ? SelectObject(dc_.get(), picture) : nullptr) {}
    ~PictureDC() {
        if (old_) SelectObject(dc_.get(), old_);
    }
    PictureDC(const PictureDC&) = delete;
    PictureDC& operator=(const PictureDC&) = delete;

    HDC get() const noexcept { return old_ ? dc_.get() : nullptr; }

private:
    tw::UniqueHDC dc_;
    HGDIOBJ old_;
};

// A picture nobody can mistake for artwork: a hatched square naming the image that is missing.
tw::UniqueHBitmap MissingImage(const std::string& path) {
    tw::WindowDC screen(nullptr);
    tw::UniqueHBitmap bitmap(CreateCompatibleBitmap(screen.get(), kMissingImageSize, kMissingImageSize));
    tw::UniqueHDC dc = tw::CreateMemoryDC(screen.get());
    if (!bitmap || !dc) return bitmap;
    tw::SelectScope keep(dc.get(), bitmap.get());
    RECT all{0, 0, kMissingImageSize, kMissingImageSize};
    tw::UniqueHBrush back(CreateSolidBrush(RGB(64, 64, 72)));
    FillRect(dc.get(), &all, back.get());
    tw::UniqueHBrush hatch(CreateHatchBrush(HS_BDIAGONAL, RGB(200, 40, 160)));
    SetBkMode(dc.get(), TRANSPARENT);
    FillRect(dc.get(), &all, hatch.get());
    // Yellow, not white: white pixels would be cut out of a window shaped by this picture.
    SetTextColor(dc.get(), RGB(255, 230, 0));
    std::size_t slash = path.rfind('\\');
    std::string text = "Missing image: " + (slash == std::string::npos ? path : path.substr(slash + 1));
    for (int y = 4; y < kMissingImageSize; y += 40) {
        RECT line{4, y, kMissingImageSize - 4, y + 20};
        DrawTextA(dc.get(), text.c_str(), -1, &line, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    }
    return bitmap;
}

}  // namespace

SIZE LoadSharedSkinImage(const std::string& path, SharedBitmap& bitmap, bool* found) {
    DWORD size = 0;
    tw::ComPtr<IStream> stream = OpenPicture(path, size);
    SharedBitmap decoded = stream ? Decode(stream.get(), size) : SharedBitmap();
    if (found) *found = static_cast<bool>(decoded);
    if (!decoded) {
        OutputDebugStringA(("Tidewarp: skin image missing or unreadable: " + path + "\n").c_str());
        decoded = ShareBitmap(MissingImage(path));
    }
    bitmap = std::move(decoded);
    return tw::BitmapSize(bitmap.get());
}

SIZE LoadSkinImage(const std::string& path, tw::UniqueHBitmap& bitmap, bool* found) {
    SharedBitmap shared;
    bool decoded = false;
    LoadSharedSkinImage(path, shared, &decoded);
    // A copy of the caller's own: the picture object frees its bitmap when it goes.
    bitmap.reset(static_cast<HBITMAP>(CopyImage(shared.get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) {
        decoded = false;
        bitmap = MissingImage(path);
    }
    if (found) *found = decoded;
    return tw::BitmapSize(bitmap.get());
}

void CropBitmap(HDC dc, tw::UniqueHBitmap& target, HBITMAP source, int left, int top, int right, int bottom) {
    BitmapCutter(dc).Cut(target, source, left, top, right, bottom);
}

bool BitmapCutter::Ready() {
    if (to_ && from_) return true;
    to_ = tw::CreateMemoryDC(dc_);
    from_ = tw::CreateMemoryDC(dc_);
    if (!to_ || !from_) {
        to_.reset();
        from_.reset();
        return false;
    }
    // A new memory DC holds a stock one-pixel bitmap; it goes back in whenever ours come out.
    toOwn_ = GetCurrentObject(to_.get(), OBJ_BITMAP);
    fromOwn_ = GetCurrentObject(from_.get(), OBJ_BITMAP);
    return true;
}

void BitmapCutter::Cut(tw::UniqueHBitmap& target, HBITMAP source, int left, int top, int right, int bottom) {
    if (!source) return;
    int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) {
        target.reset();
        return;
    }
    target.reset(Ready() ? CreateCompatibleBitmap(dc_, w, h) : nullptr);
    if (!target) return;
    if (selected_ != source) {
        if (!SelectObject(from_.get(), source)) {
            // Held by another DC: the cut cannot be made. An unfilled bitmap is no face.
            Release();
            target.reset();
            return;
        }
        selected_ = source;
    }
    if (!SelectObject(to_.get(), target.get())) {
        target.reset();
        return;
    }
    StretchBlt(to_.get(), 0, 0, w, h, from_.get(), left, top, w, h, SRCCOPY);
    SelectObject(to_.get(), toOwn_);
}

void BitmapCutter::Release() noexcept {
    if (!selected_) return;
    SelectObject(from_.get(), fromOwn_);
    selected_ = nullptr;
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int left, int top, int right, int bottom, bool stretch) {
    PictureDC memory(dc, bitmap);
    if (!memory.get()) return;
    int w = right - left, h = bottom - top;
    if (stretch)
        StretchBlt(dc, left, top, w, h, memory.get(), 0, 0, w, h, SRCCOPY);
    else
        BitBlt(dc, left, top, w, h, memory.get(), 0, 0, SRCCOPY);
}

bool DrawPicturePart(HDC dc, const PicturePart& part, int width, int height) {
    PictureDC memory(dc, part.picture.get());
    if (!memory.get()) return false;
    // A blit leaves alone what lies beyond its source, so that is filled black here.
    const SIZE size = tw::BitmapSize(part.picture.get());
    const RECT all{0, 0, width, height};
    RECT in{-part.origin.x, -part.origin.y, size.cx - part.origin.x, size.cy - part.origin.y};
    if (!IntersectRect(&in, &in, &all)) in = RECT{0, 0, 0, 0};
    BitBlt(dc, in.left, in.top, in.right - in.left, in.bottom - in.top, memory.get(), part.origin.x + in.left,
           part.origin.y + in.top, SRCCOPY);
    if (EqualRect(&in, &all)) return true;
    PatBlt(dc, 0, 0, width, in.top, BLACKNESS);
    PatBlt(dc, 0, in.bottom, width, height - in.bottom, BLACKNESS);
    PatBlt(dc, 0, in.top, in.left, in.bottom - in.top, BLACKNESS);
    PatBlt(dc, in.right, in.top, width - in.right, in.bottom - in.top, BLACKNESS);
    return true;
}

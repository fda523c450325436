#include "skin/GifAnimationHost.h"

#include "platform/Gdi.h"
#include "skin/GifFrames.h"
#include "skin/PlainFile.h"
#include "skin/SkinSource.h"

const char kScanMovieName[] = "skin3.swf";

namespace {

const UINT_PTR kFrameTimer = 1;
// A movie file larger than this is not one of ours and is not read.
const DWORD kMaxMovieBytes = 32 * 1024 * 1024;

}  // namespace

bool GifAnimationHost::Create(HWND parent, const char* windowName, DWORD style, const RECT& rect, UINT id) {
    // A static control painted entirely here; its text is the window name only.
    return tw::Window::Create("STATIC", windowName, style | WS_CHILD, 0, rect, parent, id);
}

void GifAnimationHost::Invoke(int command, const std::string& argument) {
    switch (command) {
    case kMoviePath:
        SetMovie(argument);
        break;
    case kPlay:
        Play();
        break;
    case kStop:
        Stop();
        break;
    case kFixEnded:
        Rewind();
        break;
    default:
        break;
    }
}

bool GifAnimationHost::SetMovie(const std::string& path) {
    Stop();
    frames_.clear();
    current_ = 0;
    RECT client{};
    std::string bytes;
    if (Handle() && GetClientRect(Handle(), &client) && skinfile::ReadPlain(path, bytes, kMaxMovieBytes)) {
        for (GifFrame& f : DecodeGifFrames(bytes, client.right, client.bottom, background_))
            frames_.push_back(Frame{std::move(f.bitmap), f.delayMs});
    }
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
    return !frames_.empty();
}

void GifAnimationHost::Play() {
    // A single picture has nothing to play.
    if (!Handle() || frames_.size() < 2) return;
    playing_ = SetTimer(Handle(), kFrameTimer, frames_[current_].delayMs, nullptr) != 0;
}

void GifAnimationHost::Stop() {
    if (playing_ && Handle()) KillTimer(Handle(), kFrameTimer);
    playing_ = false;
}

void GifAnimationHost::Rewind() {
    if (frames_.empty()) return;
    ShowFrame(0);
    if (playing_) Play();
}

void GifAnimationHost::ShowFrame(std::size_t index) {
    current_ = index;
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void GifAnimationHost::Paint() {
    tw::PaintDC paint(Handle());
    RECT client{};
    GetClientRect(Handle(), &client);
    if (frames_.empty()) {
        tw::UniqueHBrush fill(CreateSolidBrush(background_));
        FillRect(paint.get(), &client, fill.get());
        return;
    }
    tw::UniqueHDC from = tw::CreateMemoryDC(paint.get());
    tw::SelectScope keep(from.get(), frames_[current_].bitmap.get());
    const RECT& dirty = paint.Dirty();
    BitBlt(paint.get(), dirty.left, dirty.top, tw::RectWidth(dirty), tw::RectHeight(dirty), from.get(), dirty.left,
           dirty.top, SRCCOPY);
}

bool GifAnimationHost::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_TIMER:
        if (wp != kFrameTimer) return false;
        if (playing_ && !frames_.empty()) {
            UINT before = frames_[current_].delayMs;
            ShowFrame((current_ + 1) % frames_.size());
            if (frames_[current_].delayMs != before) Play();
        }
        result = 0;
        return true;
    case WM_DESTROY:
        Stop();
        return false;
    default:
        return false;
    }
}

std::string ScanMoviePath() {
    // The directory comes from the full path of a name in the current directory.
    return SkinImagePath(ResolveSkinFilePath("scan1.swf"), kScanMovieName);
}

bool CreateMainScreenAnimation(GifAnimationHost& host, HWND parent, const RECT& rect) {
    bool made = host.Create(parent, "SHOCKWAVE", WS_CHILD, rect, 110);
    skinfile::DeletePlain("remove-top.swf");
    return made;
}

bool CreateScanScreenAnimation(GifAnimationHost& host, HWND parent, const RECT& rect) {
    if (!host.Create(parent, "SHOCKWAVE2", WS_CHILD | WS_VISIBLE, rect, 1009)) return false;
    host.Invoke(GifAnimationHost::kMoviePath, ScanMoviePath());
    host.Invoke(GifAnimationHost::kPlay);
    return true;
}

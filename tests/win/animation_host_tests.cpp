// The animation area: the shipped movie plays and stops, frames keep their delays, the movie is
// known by its content, and missing or broken movies leave the area plainly filled.
#include "doctest.h"

#include "platform/Files.h"
#include "platform/Gdi.h"
#include "skin/GifAnimationHost.h"
#include "skin/GifFrames.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {

const COLORREF kBackground = RGB(255, 0, 255);  // in no frame of the movie
const RECT kArea{70, 178, 454, 312};

std::string ShippedMovie() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    std::string bytes;
    tw::ReadWholeFile(path.substr(0, path.rfind('\\')) + "\\skin3.swf", bytes);
    return bytes;
}

// A GIF of 1 x 1 frames, black and white in turn, each with its delay in hundredths of a second.
std::string TinyGif(std::initializer_list<int> delays) {
    std::string g("GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff", 19);
    g += std::string("\x21\xff\x0bNETSCAPE2.0\3\1\0\0\0", 19);
    int k = 0;
    for (int d : delays) {
        g += std::string("\x21\xf9\4\0", 4) + char(d) + std::string("\0\0\0", 3);
        g += std::string("\x2c\0\0\0\0\1\0\1\0\0\2\2", 12) + (k++ % 2 ? "\x4c" : "\x44") + std::string("\1\0", 2);
    }
    return g + ";";
}

// Pixels along the middle row and down one column of the area, after letting it paint.
std::vector<COLORREF> Sample(HWND area) {
    InvalidateRect(area, nullptr, FALSE);
    std::vector<COLORREF> pixels;
    for (int x = 0; x < 384; x += 3) pixels.push_back(PixelAt(area, x, 67));
    for (int y = 0; y < 134; y += 3) pixels.push_back(PixelAt(area, 200, y));
    return pixels;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        Pump();
        Sleep(5);
    }
}

struct Screen {
    OwnerWindow owner;
    GifAnimationHost host;
    Screen() {
        REQUIRE(owner.Open(20, 20, 500, 400));
        host.SetBackground(kBackground);
    }
};

}  // namespace

TEST_CASE("the shipped movie plays, moves and stands still after stop") {
    std::string movie = ShippedMovie();
    REQUIRE(LooksLikeGif(movie));
    CHECK(movie.size() <= 200 * 1024);
    WriteFile("skin3.swf", movie);
    Screen s;
    REQUIRE(CreateScanScreenAnimation(s.host, s.owner.Handle(), kArea));
    CHECK(GetDlgCtrlID(s.host.Handle()) == 1009);
    CHECK(IsWindowVisible(s.host.Handle()));
    CHECK(s.host.FrameCount() >= 20);
    CHECK(s.host.FrameCount() <= 40);
    CHECK(s.host.Playing());

    std::vector<COLORREF> first = Sample(s.host.Handle());
    PumpFor(400);
    std::vector<COLORREF> later = Sample(s.host.Handle());
    CHECK(first != later);
    // Later frames carry only what changed; composed, the corners stay the movie's own.
    CHECK(later.front() != kBackground);
    CHECK(later.back() != kBackground);

    s.host.Invoke(GifAnimationHost::kStop);
    std::vector<COLORREF> stopped = Sample(s.host.Handle());
    PumpFor(300);
    CHECK(Sample(s.host.Handle()) == stopped);
    s.host.Invoke(GifAnimationHost::kFixEnded);
    CHECK(s.host.CurrentFrame() == 0);
}

TEST_CASE("missing, empty, zero-filled and broken movies leave the area empty") {
    Screen s;
    REQUIRE(s.host.Create(s.owner.Handle(), "SHOCKWAVE2", WS_VISIBLE, kArea, 1009));
    WriteFile("zeros.swf", std::string(4096, '\0'));
    WriteFile("empty.swf", "");
    WriteFile("cut.swf", TinyGif({5, 5}).substr(0, 30));
    for (const char* name : {"absent.swf", "zeros.swf", "empty.swf", "cut.swf"}) {
        CAPTURE(name);
        s.host.Invoke(GifAnimationHost::kMoviePath, name);
        s.host.Invoke(GifAnimationHost::kPlay);
        CHECK_FALSE(s.host.Playing());
        for (COLORREF c : Sample(s.host.Handle())) REQUIRE(c == kBackground);
    }
}

TEST_CASE("any file name plays a GIF with its own delays; the screens' set-up") {
    std::vector<GifFrame> frames = DecodeGifFrames(TinyGif({0, 25}), 1, 1, kBackground);
    REQUIRE(frames.size() == 2);
    CHECK(frames[0].delayMs == 100);  // no delay: played as browsers do
    CHECK(frames[1].delayMs == 250);
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    for (int k : {0, 1}) {
        tw::SelectScope keep(dc.get(), frames[k].bitmap.get());
        CHECK(GetPixel(dc.get(), 0, 0) == (k ? RGB(255, 255, 255) : RGB(0, 0, 0)));
    }

    Screen s;
    WriteFile("movie.dat", TinyGif({0, 25}));
    REQUIRE(s.host.Create(s.owner.Handle(), "x", WS_VISIBLE, RECT{0, 0, 8, 8}, 1));
    CHECK(s.host.SetMovie("movie.dat"));
    CHECK(s.host.FrameCount() == 2);

    CHECK(ScanMoviePath() == CurrentFolder() + "\\skin3.swf");
    WriteFile("remove-top.swf", "old");
    GifAnimationHost main;
    REQUIRE(CreateMainScreenAnimation(main, s.owner.Handle(), kArea));
    CHECK(GetFileAttributesA("remove-top.swf") == INVALID_FILE_ATTRIBUTES);
    CHECK_FALSE(IsWindowVisible(main.Handle()));
    CHECK(GetDlgCtrlID(main.Handle()) == 110);
}

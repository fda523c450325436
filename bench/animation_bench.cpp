// The animation area's cost while it plays: CPU time of the window thread during 5 s of the shipped
// movie, against a window that only repaints the same area from one bitmap at the same frame rate
// (the least any player of that movie must do), measured alternately in the same run.
//
//   animation_bench [rounds] [seconds]      (default 1 round of 5 s each; needs an X display)
#include "bench/BenchSupport.h"
#include "platform/Files.h"
#include "platform/Gdi.h"
#include "platform/Window.h"
#include "skin/GifAnimationHost.h"
#include "skin/GifFrames.h"

#include <cstdlib>

namespace {

const RECT kArea{70, 178, 454, 312};  // the skin's animation area

// The floor: one bitmap, repainted whole on every timer tick.
class BitmapRepaint : public tw::Window {
public:
    tw::UniqueHBitmap bitmap;
    int paints = 0;
    bool Start(HWND parent, UINT delayMs) {
        if (!Create("STATIC", "", WS_CHILD | WS_VISIBLE, 0, kArea, parent, 1)) return false;
        return SetTimer(Handle(), 1, delayMs, nullptr) != 0;
    }

protected:
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == WM_TIMER) {
            InvalidateRect(Handle(), nullptr, FALSE);
        } else if (msg == WM_PAINT) {
            ++paints;
            tw::PaintDC paint(Handle());
            tw::UniqueHDC from = tw::CreateMemoryDC(paint.get());
            tw::SelectScope keep(from.get(), bitmap.get());
            BitBlt(paint.get(), 0, 0, tw::RectWidth(kArea), tw::RectHeight(kArea), from.get(), 0, 0, SRCCOPY);
        } else if (msg != WM_ERASEBKGND) {
            return false;
        }
        result = msg == WM_ERASEBKGND;
        return true;
    }
};

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Runs this thread's messages for the given wall time; the CPU seconds the thread used meanwhile.
double RunMessages(double seconds) {
    double cpu0 = ThreadCpuSeconds();
    double end = bench::Now() + seconds;
    for (double now = bench::Now(); now < end; now = bench::Now()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>((end - now) * 1000) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return ThreadCpuSeconds() - cpu0;
}

std::string ProgramFolder() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.rfind('\\'));
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 5.0;
    std::string movie;
    if (!tw::ReadWholeFile(ProgramFolder() + "\\" + kScanMovieName, movie) ||
        tw::ReplaceFileContents(kScanMovieName, movie) != 0) {
        std::printf("animation_bench: no %s beside the program\n", kScanMovieName);
        return 1;
    }
    std::vector<GifFrame> frames = DecodeGifFrames(movie, tw::RectWidth(kArea), tw::RectHeight(kArea), 0);
    if (frames.size() < 2) {
        std::printf("animation_bench: the movie does not decode\n");
        return 1;
    }
    UINT delay = frames[0].delayMs;

    tw::Window screen;
    if (!screen.Create("STATIC", "animation_bench", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 505, 504}, nullptr, 0)) {
        std::printf("animation_bench: no window (is there an X display?)\n");
        return 1;
    }
    std::vector<double> played, floor;
    int paints = 0;
    for (int i = 0; i < rounds; ++i) {
        {
            BitmapRepaint repaint;
            repaint.bitmap = std::move(frames[frames.size() / 2].bitmap);
            if (!repaint.Start(screen.Handle(), delay)) return 1;
            floor.push_back(RunMessages(seconds));
            paints = repaint.paints;
            frames[frames.size() / 2].bitmap = std::move(repaint.bitmap);
        }
        GifAnimationHost host;
        if (!CreateScanScreenAnimation(host, screen.Handle(), kArea) || !host.Playing()) return 1;
        played.push_back(RunMessages(seconds));
    }
    double m = bench::Median(played), b = bench::Median(floor);
    double ratio = b > 0 ? m / b : (m > 0 ? 99.0 : 1.0);
    double core = m / seconds * 100;
    std::printf("%-40s %10s %12s %8s\n", "measure", "cpu ms", "floor cpu ms", "ratio");
    std::printf("%-40s %10.1f %12.1f %8.2f   (%u frames, %u ms each; floor: %d repaints from one bitmap; "
                "%.2f%% of one core)\n",
                "window thread playing the scan movie", m * 1000, b * 1000, ratio, static_cast<unsigned>(frames.size()),
                delay, paints, core);
    bool met = ratio <= 2.0 && core < 5.0;
    std::printf("target (at most 2x the floor, under 5%% of one core) %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}

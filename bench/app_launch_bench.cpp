// Start-up of the window program, seen from outside: from CreateProcess until a visible window
// titled "Tidewarp" answers WM_NULL, against the bare window program (a plain window of the same
// size) started and timed the same way, the two alternating in one run.
//
//   app_launch_bench [rounds]   (default 7)
#include "bench/BareWindow.h"
#include "bench/BenchSupport.h"
#include "bench/WindowProbe.h"

#include <cstdlib>

namespace {

constexpr char kTitle[] = "Tidewarp";
constexpr UINT kTrayExit = 32773;  // the tray menu's "Exit"

struct Launch {
    double seconds = -1;
    RECT rect{};
    bool closed = false;
};

Launch LaunchOnce(const char* exe, const char* title, UINT closeMsg, WPARAM closeParam) {
    Launch launch;
    bench::Child child;
    if (!bench::Start(exe, "", child)) return launch;
    HWND window = nullptr;
    launch.seconds = bench::WaitInteractive(child, title, 60, &window);
    if (window) GetWindowRect(window, &launch.rect);
    launch.closed = bench::Close(child, window, closeMsg, closeParam, 20);
    return launch;
}

void PrintSide(const char* name, const std::vector<double>& seconds, const RECT& r, int unclosed) {
    std::printf("  %-22s median %7.1f ms   min %7.1f   max %7.1f   window %ld x %ld%s\n", name,
                bench::Median(seconds) * 1000, *std::min_element(seconds.begin(), seconds.end()) * 1000,
                *std::max_element(seconds.begin(), seconds.end()) * 1000, r.right - r.left, r.bottom - r.top,
                unclosed ? "   (did not close on request: terminated)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    if (rounds < 1) rounds = 1;
    // The program as the installer ships it (no debugging information, which a loader would
    // map too), else the one beside the benchmark.
    std::string program = TW_SHIPPED_PROGRAM;
    const bool shipped = bench::FileExists(program);
    if (!shipped) program = "tidewarp.exe";
    const bool haveProgram = shipped || bench::FileExists(bench::ProgramFolder() + "\\" + program);
    if (!haveProgram) std::printf("app_launch_bench: no tidewarp.exe beside the benchmark: the baseline only\n");

    std::vector<double> app, bare;
    RECT appRect{}, bareRect{};
    int appUnclosed = 0, bareUnclosed = 0, failed = 0;
    for (int round = 0; round < rounds; ++round) {
        // Each goes first in every other round, so neither always meets a warmer machine.
        for (int turn = 0; turn < 2; ++turn) {
            const bool appTurn = (turn == 0) == (round % 2 == 1);
            if (appTurn && !haveProgram) continue;
            Launch l = appTurn ? LaunchOnce(program.c_str(), kTitle, WM_COMMAND, kTrayExit)
                               : LaunchOnce("bare_window.exe", bare::kTitle, WM_CLOSE, 0);
            if (l.seconds < 0) {
                ++failed;
                continue;
            }
            (appTurn ? app : bare).push_back(l.seconds);
            (appTurn ? appRect : bareRect) = l.rect;
            if (!l.closed) ++(appTurn ? appUnclosed : bareUnclosed);
        }
    }

    std::printf("Launch to an interactive main window (CreateProcess until visible and answering WM_NULL), "
                "%d rounds\n", rounds);
    if (!bare.empty()) PrintSide("bare window", bare, bareRect, bareUnclosed);
    if (!app.empty()) PrintSide(shipped ? "tidewarp.exe (shipped)" : "tidewarp.exe", app, appRect, appUnclosed);
    if (!app.empty() && !bare.empty())
        std::printf("  ratio %.2f   (target at most 1.5)\n", bench::Median(app) / bench::Median(bare));
    if (failed) std::printf("  %d launches never showed an answering window within 60 s\n", failed);
    return failed || bare.empty() || (haveProgram && app.empty()) ? 1 : 0;
}

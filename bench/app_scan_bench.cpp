// A scan of many broken class registrations by the window program, seen from outside, with the bare
// window program running beside it in the same run as the baseline.
//
// Answer time: from threads of the benchmark, WM_NULL is sent every 20 ms to Tidewarp's main window
// and, 10 ms apart, to the bare window, from the moment Tidewarp (started as "tidewarp.exe scan")
// answers until its scan ends; both see the same machine and the same busy wineserver.
//
// Result list: from the scan's end until the result list (the 366 x 156 list view on the result
// page) holds the planted rows, and the working set then against the one when the window first
// answered. Baseline: the bare program filling as many rows into its plain list view in one batch on
// its window thread, timed from the request, with its working set measured the same way.
//
// Scan time: the window's scan, from the moment its window first answered (the start-up word
// presses "Scan Now" as the window is built) until the scan's end, against `tidewarp-cli scan` of
// the same registry and categories (all of them, as both default to) from its start to its exit,
// its report going to NUL. They take turns, console first, four times each (the first window run
// is the one probed above); the medians are compared, as the machine's load comes and goes.
//
// The scan's end as seen from outside: the scan page (the 405 x 208 page that shows the scan's
// progress) is hidden. Tidewarp leaves it for the result page when the scanners are done and before
// any row is listed; the row count cannot serve, as the rows may reach the list in one batch.
//
//   app_scan_bench [classes]   (default 20000)
#include "bench/BareWindow.h"
#include "bench/BenchSupport.h"
#include "bench/WindowProbe.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr char kProgram[] = "tidewarp.exe";
constexpr char kConsoleProgram[] = "tidewarp-cli.exe";
constexpr char kTitle[] = "Tidewarp";
constexpr UINT kTrayExit = 32773;  // the tray menu's "Exit"
constexpr double kPeriod = 0.020;
constexpr double kMB = 1024.0 * 1024.0;

// Waits until the list holds at least rows rows; the seconds it took, or -1 after limit seconds.
double WaitRows(HWND list, int rows, double limit, int* count) {
    double t0 = bench::Now();
    while (bench::Now() - t0 < limit) {
        *count = bench::ListCount(list, 10000);
        if (*count >= rows) return bench::Now() - t0;
        Sleep(2);
    }
    return -1;
}

void AnswerRow(const char* name, const std::vector<double>& s) {
    if (s.empty()) {
        std::printf("  %-40s no probes\n", name);
        return;
    }
    std::printf("  %-40s %6zu %9.2f %9.2f %9.2f\n", name, s.size(), bench::Percentile(s, 50) * 1000,
                bench::Percentile(s, 99) * 1000, bench::Percentile(s, 100) * 1000);
}

// Seconds that `tidewarp-cli scan` took from its start to its exit, its output going to NUL; -1
// when it could not be started or did not end within limit seconds.
double ConsoleScan(double limit) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    tw::UniqueHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                     0, nullptr));
    if (!nul || nul.get() == INVALID_HANDLE_VALUE) return -1;
    std::string command = "\"" + bench::ProgramFolder() + "\\" + kConsoleProgram + "\" scan";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = si.hStdError = nul.get();
    PROCESS_INFORMATION pi{};
    const double t0 = bench::Now();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    tw::UniqueHandle process(pi.hProcess);
    if (WaitForSingleObject(process.get(), static_cast<DWORD>(limit * 1000)) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        return -1;
    }
    return bench::Now() - t0;
}

// Seconds of one window scan (see above), the window closed afterwards; -1 when it failed.
double WindowScan() {
    bench::Child app;
    HWND window = nullptr;
    const double interactive = bench::Start(kProgram, "scan", app) ? bench::WaitInteractive(app, kTitle, 120, &window) : -1;
    double seconds = -1;
    if (interactive >= 0) {
        const HWND scanPage = bench::FindDescendant(window, nullptr, 405, 208);
        const double t0 = app.started + interactive;
        bool saw = false;
        while (scanPage && bench::Now() - t0 < 900) {
            const bool shown = IsWindowVisible(scanPage) != 0;
            saw = saw || shown;
            if (saw && !shown) {
                seconds = bench::Now() - t0;
                break;
            }
            if (!saw && bench::Now() - t0 > 30) break;
            Sleep(1);
        }
    }
    bench::Close(app, window, WM_COMMAND, kTrayExit, 30);
    return seconds;
}

struct Bare {
    bench::Child child;
    HWND window = nullptr;
    HWND list = nullptr;
    SIZE_T atStart = 0;
};

bool StartBare(Bare& bare) {
    if (!bench::Start("bare_window.exe", "", bare.child) ||
        bench::WaitInteractive(bare.child, bare::kTitle, 60, &bare.window) < 0)
        return false;
    bare.list = bench::FindDescendant(bare.window, "SysListView32", 366, 156);
    bare.atStart = bench::WorkingSet(bare.child.process.get());
    return bare.list != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    int classes = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (classes < 1) classes = 1;
    Bare bare;
    if (!StartBare(bare)) {
        std::printf("app_scan_bench: the bare window program did not come up (is there a display?)\n");
        return 1;
    }
    bench::Prober bareProbe(bare.window, kPeriod, kPeriod / 2);
    const bool haveProgram = bench::FileExists(bench::ProgramFolder() + "\\" + kProgram);
    int rc = 0;

    // ---- Tidewarp scanning the planted classes --------------------------------------------------
    double probed = 0, scanEnd = 0, filled = 0, fillSeconds = -1, interactive = -1;
    SIZE_T appStart = 0, appFilled = 0, appPeak = 0;
    int appRows = 0;
    std::vector<bench::Prober::Sample> appSamples;
    double plantSeconds = 0;
    std::vector<double> consoleScans, windowScans;
    constexpr int kRounds = 4;
    if (haveProgram) {
        bench::PlantedClasses planted(classes);
        plantSeconds = planted.Seconds();
        const bool haveConsole = bench::FileExists(bench::ProgramFolder() + "\\" + kConsoleProgram);
        if (haveConsole) consoleScans.push_back(ConsoleScan(900));
        bench::Child app;
        HWND window = nullptr;
        if (!bench::Start(kProgram, "scan", app) ||
            (interactive = bench::WaitInteractive(app, kTitle, 120, &window)) < 0) {
            std::printf("app_scan_bench: %s never showed an answering window\n", kProgram);
            bench::Close(app, window, WM_COMMAND, kTrayExit, 20);
            return 1;
        }
        appStart = bench::WorkingSet(app.process.get());
        HWND scanPage = bench::FindDescendant(window, nullptr, 405, 208);
        HWND list = bench::FindDescendant(window, "SysListView32", 366, 156);
        bench::Prober appProbe(window, kPeriod, 0);
        probed = bench::Now();
        bool sawScan = false;
        while (scanPage && bench::Now() - probed < 900) {
            bool shown = IsWindowVisible(scanPage) != 0;
            if (shown) sawScan = true;
            if (sawScan && !shown) break;
            if (!sawScan && bench::Now() - probed > 30) break;
            Sleep(1);
        }
        scanEnd = bench::Now();
        if (sawScan) windowScans.push_back(scanEnd - (app.started + interactive));
        if (!sawScan || !list) {
            std::printf("app_scan_bench: %s\n", !scanPage ? "no scan page (405 x 208) found"
                                                : !list   ? "no result list (366 x 156) found"
                                                          : "the scan page never showed");
            rc = 1;
        } else {
            fillSeconds = WaitRows(list, planted.Count(), 300, &appRows);
            filled = bench::Now();
            appFilled = bench::WorkingSet(app.process.get(), &appPeak);
            if (fillSeconds < 0) rc = 1;
        }
        appSamples = appProbe.Stop();
        if (!bench::Close(app, window, WM_COMMAND, kTrayExit, 30))
            std::printf("app_scan_bench: %s did not close on request: terminated\n", kProgram);
        for (int round = 1; haveConsole && !windowScans.empty() && round < kRounds; ++round) {
            consoleScans.push_back(ConsoleScan(900));
            windowScans.push_back(WindowScan());
        }
    } else {
        std::printf("app_scan_bench: no %s beside the benchmark: the baseline only\n", kProgram);
        Sleep(1000);
        probed = bench::Now() - 1;
        scanEnd = filled = bench::Now();
    }

    // ---- the bare program filling as many rows ------------------------------------------------------
    int bareRows = 0;
    double bareFillStart = bench::Now();
    PostMessageA(bare.window, bare::kFillMessage, static_cast<WPARAM>(classes), 0);
    double bareFill = WaitRows(bare.list, classes, 300, &bareRows);
    double bareFilled = bench::Now();
    SIZE_T bareAfter = bench::WorkingSet(bare.child.process.get());
    auto bareSamples = bareProbe.Stop();
    bench::Close(bare.child, bare.window, WM_CLOSE, 0, 20);
    if (bareFill < 0) rc = 1;

    // ---- report --------------------------------------------------------------------------------------
    std::printf("Answer time of the window thread (WM_NULL every %.0f ms), %d planted classes\n", kPeriod * 1000,
                classes);
    std::printf("  %-40s %6s %9s %9s %9s\n", "", "probes", "p50 ms", "p99 ms", "worst ms");
    auto appScan = bench::Prober::Between(appSamples, probed, scanEnd);
    auto bareScan = bench::Prober::Between(bareSamples, probed, scanEnd);
    if (haveProgram) {
        AnswerRow("tidewarp.exe while scanning", appScan);
        AnswerRow("bare window, same time", bareScan);
        AnswerRow("tidewarp.exe while its list fills", bench::Prober::Between(appSamples, scanEnd, filled));
    }
    AnswerRow("bare window while its list fills", bench::Prober::Between(bareSamples, bareFillStart, bareFilled));
    if (haveProgram && !appScan.empty() && !bareScan.empty())
        std::printf("  ratio p99 %.1f, worst %.1f   (targets: p99 at most 50 ms, worst at most 250 ms; scan %.1f s "
                    "after the window answered at %.0f ms; planting %.1f s)\n",
                    bench::Percentile(appScan, 99) / bench::Percentile(bareScan, 99),
                    bench::Percentile(appScan, 100) / bench::Percentile(bareScan, 100), scanEnd - probed,
                    interactive * 1000, plantSeconds);

    auto failed = [](const std::vector<double>& v) { return v.empty() || *std::min_element(v.begin(), v.end()) <= 0; };
    auto list = [](const std::vector<double>& v) {
        std::string text;
        for (double x : v) text += (text.empty() ? "" : ", ") + std::to_string(x).substr(0, 5);
        return text;
    };
    if (haveProgram) {
        std::printf("\nScan of %d planted classes and the rest of the prefix, every category (median of %zu turns)\n",
                    classes, windowScans.size());
        if (failed(windowScans) || failed(consoleScans)) {
            std::printf("  a scan did not run or did not end\n");
            rc = 1;
        } else {
            const double window = bench::Percentile(windowScans, 50), console = bench::Percentile(consoleScans, 50);
            std::printf("  %-40s %9.2f s   (%s)\n", "tidewarp.exe scan (window)", window, list(windowScans).c_str());
            std::printf("  %-40s %9.2f s   (%s)\n", "tidewarp-cli scan", console, list(consoleScans).c_str());
            std::printf("  ratio window / console %.3f   (target: at most 1.15)\n", window / console);
        }
    }
    std::printf("\nResult list filled with %d rows (from the scan's end: the scan page hidden)\n", classes);
    std::printf("  %-40s %9s %7s %12s %12s %10s\n", "", "fill ms", "rows", "WS start MB", "WS filled MB",
                "delta MB");
    if (haveProgram && fillSeconds >= 0)
        std::printf("  %-40s %9.1f %7d %12.1f %12.1f %10.1f   (peak %.1f MB)\n", "tidewarp.exe", fillSeconds * 1000,
                    appRows, appStart / kMB, appFilled / kMB, (double(appFilled) - double(appStart)) / kMB,
                    appPeak / kMB);
    if (bareFill >= 0)
        std::printf("  %-40s %9.1f %7d %12.1f %12.1f %10.1f\n", "bare window (one batch on its thread)",
                    bareFill * 1000, bareRows, bare.atStart / kMB, bareAfter / kMB,
                    (double(bareAfter) - double(bare.atStart)) / kMB);
    if (haveProgram && fillSeconds >= 0 && bareFill > 0)
        std::printf("  ratio fill %.1f, working-set delta %.1f   (targets: fill at most 1000 ms, delta at most 64 MB)\n",
                    fillSeconds / bareFill,
                    (double(appFilled) - double(appStart)) / std::max(1.0, double(bareAfter) - double(bare.atStart)));
    return rc;
}

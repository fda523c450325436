// The class scan of both registry views under WOW64 against two scans of one view each, measured
// alternately in the same run. Needs a 64-bit prefix: TW_WINEARCH=win64 tools/bench wow64_bench
//
//   wow64_bench [N]   N classes planted in each view (default 10000); 10% name a missing file.
#include "bench/BenchSupport.h"
#include "platform/Wow64.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"

#include <cstdlib>

namespace {

void Touch(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) std::fclose(f);
}

std::string ClassKey(int i, bool view32) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%sCLSID\\{BE7C6400-0000-4000-8000-%012d}", view32 ? "Wow6432Node\\" : "", i);
    return buf;
}

// Keys are made by their physical path in the 64-bit view, as the engine names them.
void PlantClasses(int n, bool view32) {
    for (int i = 0; i < n; ++i) {
        const std::string file = "C:\\bench-files\\" + std::string(i % 10 == 0 ? "missing" : "f") +
                                 std::to_string(i % 1000) + ".dll";
        if (i < 1000 && i % 10 != 0) Touch(file);
        HKEY h = nullptr;
        const std::string key = ClassKey(i, view32) + "\\InprocServer32";
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                            &h, nullptr) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()), DWORD(file.size() + 1));
        RegSetValueExA(h, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
        RegCloseKey(h);
    }
}

void UnplantClasses(int n, bool view32) {
    for (int i = 0; i < n; ++i) CRegistryLib::DeleteTree(HKEY_CLASSES_ROOT, ClassKey(i, view32));
}

CategorySummary ScanViews(CRegistryLib& lib, unsigned views) {
    SummaryList summaries;
    lib.Errors().clear();
    lib.SetScannedViews(views);
    lib.ScanClasses(summaries);
    return summaries.empty() ? CategorySummary{} : summaries[0];
}

}  // namespace

int main(int argc, char** argv) {
    if (!tw::RunsUnderWow64()) {
        std::printf("wow64_bench needs a 64-bit Windows (TW_WINEARCH=win64 tools/bench wow64_bench)\n");
        return 1;
    }
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    CreateDirectoryA("C:\\bench-files", nullptr);
    StopEvent stop;  // held open so the scanners' stop tests see a live, clear event
    stop.Reset();
    double t0 = bench::Now();
    PlantClasses(n, false);
    PlantClasses(n, true);
    const double plantSeconds = bench::Now() - t0;

    CRegistryLib lib;
    CategorySummary both, only64, only32;
    auto [scan, single] = bench::Alternate(
        5, [&] { both = ScanViews(lib, CRegistryLib::kBothViews); },
        [&] {
            only64 = ScanViews(lib, CRegistryLib::kView64);
            only32 = ScanViews(lib, CRegistryLib::kView32);
        });
    std::printf("Class scan of both views (%d planted classes in each, 10%% broken; planting %.1f s)\n", n,
                plantSeconds);
    std::printf("%-22s %10s %10s %8s\n", "", "ms", "examined", "found");
    std::printf("%-22s %10.1f %10d %8d\n", "both views", scan * 1000, both.examined, both.found);
    std::printf("%-22s %10.1f %10d %8d\n", "64-bit + 32-bit view", single * 1000, only64.examined + only32.examined,
                only64.found + only32.found);
    std::printf("ratio %.2f (target at most 1.20)\n", scan / single);
    UnplantClasses(n, false);
    UnplantClasses(n, true);
    return both.found == only64.found + only32.found ? 0 : 1;
}

// Class scan against a floor loop that makes only the registry and file calls needed to decide the
// same result: walk the classes, open each server key, read its default value, test the file.
//
//   scan_bench [N ...]      (default: 2000 20000; 10% of the planted classes are broken)
#include "bench/BenchSupport.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"
#include "registry/SystemEnvironment.h"

#include <io.h>

#include <cstring>

#include <cstdlib>

namespace {

const char kPrefix[] = "{BE7C0000-0000-4000-8000-";

std::string ClassName(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%012d}", kPrefix, i);
    return buf;
}

void Plant(int n) {
    CreateDirectoryA("C:\\bench-files", nullptr);
    for (int f = 0; f < 100; ++f) {
        std::string path = "C:\\bench-files\\server" + std::to_string(f) + ".dll";
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file) std::fclose(file);
    }
    for (int i = 0; i < n; ++i) {
        std::string key = "CLSID\\" + ClassName(i) + "\\InprocServer32";
        std::string path = (i % 10 == 0) ? "C:\\bench-files\\missing" + std::to_string(i) + ".dll"
                                         : "C:\\bench-files\\server" + std::to_string(i % 100) + ".dll";
        HKEY h = nullptr;
        if (RegCreateKeyA(HKEY_CLASSES_ROOT, key.c_str(), &h) != ERROR_SUCCESS) continue;
        RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        RegSetValueExA(h, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
        RegCloseKey(h);
    }
}

void Unplant(int n) {
    for (int i = 0; i < n; ++i) CRegistryLib::DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + ClassName(i));
}

bool EndsWithMailUi(const std::string& p) { return p.size() >= 10 && p.compare(p.size() - 10, 10, "mailui.dll") == 0; }

// The floor: the same walk with nothing but the calls that decide the answer.
int FloorScan() {
    int missing = 0;
    HKEY clsid = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID", &clsid) != ERROR_SUCCESS) return -1;
    char name[256], sub[256], data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(clsid, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY cls = nullptr;
        if (RegOpenKeyA(clsid, name, &cls) != ERROR_SUCCESS) continue;
        for (DWORD j = 0;; ++j) {
            DWORD subSize = sizeof sub;
            if (RegEnumKeyExA(cls, j, sub, &subSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (lstrcmpiA(sub, "InprocServer32") && lstrcmpiA(sub, "LocalServer32") && lstrcmpiA(sub, "InprocServer") &&
                lstrcmpiA(sub, "LocalServer"))
                continue;
            HKEY server = nullptr;
            if (RegOpenKeyA(cls, sub, &server) != ERROR_SUCCESS) continue;
            DWORD dataSize = sizeof data, type = 0;
            if (RegQueryValueExA(server, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) ==
                    ERROR_SUCCESS &&
                dataSize > 1) {
                data[sizeof data - 1] = 0;
                std::string path = CleanPath(data, CleanupVariant::Class, SystemPathEnvironment());
                if (!EndsWithMailUi(path) && _access(path.c_str(), 0) != 0) ++missing;
            }
            RegCloseKey(server);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(clsid);
    return missing;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {2000, 20000};

    StopEvent stop;  // held open so the scanners' stop tests see a live, clear event
    stop.Reset();
    std::printf("%-8s %-10s %12s %12s %12s %8s %10s\n", "planted", "walked", "scan ms", "floor ms", "classes/s",
                "ratio", "found");
    for (int n : sizes) {
        double t0 = bench::Now();
        Plant(n);
        double plantSeconds = bench::Now() - t0;

        CRegistryLib lib;
        int found = 0, walked = 0, floorFound = 0;
        auto [scan, floor] = bench::Alternate(
            5,
            [&] {
                SummaryList summaries;
                lib.Errors().clear();
                lib.ScanClasses(summaries);
                found = summaries.empty() ? -1 : summaries[0].found;
                walked = summaries.empty() ? 0 : summaries[0].examined;
            },
            [&] { floorFound = FloorScan(); });
        std::printf("%-8d %-10d %12.1f %12.1f %12.0f %8.2f %5d/%-4d\n", n, walked, scan * 1000, floor * 1000,
                    walked / scan, scan / floor, found, floorFound);
        std::printf("  (planting took %.1f s)\n", plantSeconds);
        Unplant(n);
    }
    return 0;
}

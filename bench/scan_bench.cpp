// Registry scans against floor loops that make only the registry and file calls needed to decide
// the same result (enumerate, open, read the values, test the file).
//
//   scan_bench [N ...]   class scan with N planted classes (default: 2000 20000), the class scan
//                        over 20,000 machine-wide and 2,000 per-user classes, then all nine
//                        categories over planted data (600 entries each); 10% of planted entries
//                        name a missing file.
//   scan_bench hives [M U]  only the class scan over M machine-wide and U per-user classes.
#include "bench/BenchSupport.h"
#include "registry/FileRefRules.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"
#include "registry/SystemEnvironment.h"
#include "registry/ValueText.h"

#include <io.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

namespace {

const char kFiles[] = "C:\\bench-files\\";

void Touch(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) std::fclose(f);
}

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    HKEY h = nullptr;
    if (RegCreateKeyA(root, key.c_str(), &h) != ERROR_SUCCESS) return;
    RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return;
    RegDeleteValueA(h, name.c_str());
    RegCloseKey(h);
}

// A planted file: every tenth one is left missing.
std::string File(int i, const char* ext) {
    std::string path = kFiles + std::string(i % 10 == 0 ? "missing" : "f") + std::to_string(i) + ext;
    if (i % 10 != 0) Touch(path);
    return path;
}

// ---- classes ---------------------------------------------------------------------------------

// The classes key of each hive: HKEY_LOCAL_MACHINE's is the machine-wide one, HKEY_CURRENT_USER's the user's.
const char kClassesKey[] = "Software\\Classes\\CLSID";

std::string ClassName(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "{BE7C0000-0000-4000-8000-%012d}", i);
    return buf;
}

// Classes first..first+n-1 in one hive's CLSID key.
void PlantClasses(int n, HKEY root = HKEY_LOCAL_MACHINE, int first = 0) {
    for (int i = first; i < first + n; ++i) {
        std::string key = std::string(kClassesKey) + "\\" + ClassName(i) + "\\InprocServer32";
        SetString(root, key, "", File(i % 1000, ".dll"));
        SetString(root, key, "ThreadingModel", "Both");
    }
}

void UnplantClasses(int n, HKEY root = HKEY_LOCAL_MACHINE, int first = 0) {
    for (int i = first; i < first + n; ++i)
        CRegistryLib::DeleteTree(root, std::string(kClassesKey) + "\\" + ClassName(i));
}

bool EndsWithMailUi(const std::string& p) { return p.size() >= 10 && p.compare(p.size() - 10, 10, "mailui.dll") == 0; }

// The classes of one hive's CLSID key, decided as the scanner decides them: the missing servers.
int FloorHiveClasses(HKEY root, const char* path) {
    int missing = 0;
    HKEY clsid = nullptr;
    if (RegOpenKeyA(root, path, &clsid) != ERROR_SUCCESS) return 0;
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
            DWORD dataSize = sizeof data - 1, type = 0;
            if (RegQueryValueExA(server, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) ==
                    ERROR_SUCCESS &&
                dataSize > 1) {
                data[dataSize] = 0;
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

// Each hive on its own: the machine-wide classes and the current user's.
int FloorClasses() {
    return FloorHiveClasses(HKEY_LOCAL_MACHINE, kClassesKey) + FloorHiveClasses(HKEY_CURRENT_USER, kClassesKey);
}

struct ClassRun {
    double scan = 0, floor = 0;
    int found = 0, walked = 0, floorFound = 0;
};

// The class scan against the floor, alternated over `rounds` rounds, on what is planted now.
ClassRun TimeClassScan(int rounds) {
    CRegistryLib lib;
    ClassRun r;
    std::tie(r.scan, r.floor) = bench::Alternate(
        rounds,
        [&] {
            SummaryList summaries;
            lib.Errors().clear();
            lib.ScanClasses(summaries);
            r.found = summaries.empty() ? -1 : summaries[0].found;
            r.walked = summaries.empty() ? 0 : summaries[0].examined;
        },
        [&] { r.floorFound = FloorClasses(); });
    return r;
}

void ClassScanTable(const std::vector<int>& sizes) {
    std::printf("Class scan\n%-8s %-8s %10s %10s %10s %7s %11s\n", "planted", "walked", "scan ms", "floor ms",
                "entries/s", "ratio", "found");
    for (int n : sizes) {
        double t0 = bench::Now();
        PlantClasses(n);
        double plantSeconds = bench::Now() - t0;
        const ClassRun r = TimeClassScan(5);
        std::printf("%-8d %-8d %10.1f %10.1f %10.0f %7.2f %5d/%-5d (planting %.1f s)\n", n, r.walked, r.scan * 1000,
                    r.floor * 1000, r.walked / r.scan, r.scan / r.floor, r.found, r.floorFound, plantSeconds);
        UnplantClasses(n);
    }
}

// Machine-wide and per-user classes side by side, the floor deciding each hive on its own.
void HiveClassTable(int machine, int user) {
    double t0 = bench::Now();
    PlantClasses(machine);
    PlantClasses(user, HKEY_CURRENT_USER, machine);
    const double plantSeconds = bench::Now() - t0;
    const ClassRun r = TimeClassScan(9);
    std::printf("\nClass scan over both hives\n%-8s %-8s %-8s %10s %10s %7s %11s\n", "machine", "user", "walked",
                "scan ms", "floor ms", "ratio", "found");
    std::printf("%-8d %-8d %-8d %10.1f %10.1f %7.2f %5d/%-5d (planting %.1f s)\n", machine, user, r.walked,
                r.scan * 1000, r.floor * 1000, r.scan / r.floor, r.found, r.floorFound, plantSeconds);
    UnplantClasses(machine);
    UnplantClasses(user, HKEY_CURRENT_USER, machine);
}

// ---- the other eight categories ----------------------------------------------------------------

// Reads every value of one key with fixed buffers and decides each entry as the category does.
int FloorValues(HKEY key, int category) {
    static char name[16384];
    static BYTE data[65536];
    int missing = 0;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        RegValueEntry e{nameSize ? std::string(name, nameSize) : "(Default)", valuetext::Render(type, data, dataSize),
                        type};
        EntryDecision d = DecideEntry(category, e, SystemPathEnvironment());
        if (d.kind == EntryDecision::Test && _access(d.path.c_str(), 0) != 0) ++missing;
    }
    return missing;
}

int FloorCategory(int category, const char* path, bool subKeys, bool helpOnly) {
    HKEY root = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &root) != ERROR_SUCCESS) return 0;
    int missing = 0;
    if (!subKeys) {
        missing = FloorValues(root, category);
    } else {
        char name[512];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (helpOnly && lstrcmpiA(name, "help") && lstrcmpiA(name, "html help")) continue;
            HKEY sub = nullptr;
            if (RegOpenKeyA(root, name, &sub) != ERROR_SUCCESS) continue;
            missing += FloorValues(sub, category);
            RegCloseKey(sub);
        }
    }
    RegCloseKey(root);
    return missing;
}

struct Category {
    int number;
    const char* path;  // under HKEY_LOCAL_MACHINE
    bool subKeys;
    void (CRegistryLib::*scan)(SummaryList&);
};

const Category kCategories[] = {
    {2, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", false, &CRegistryLib::ScanSharedFiles},
    {3, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", false, &CRegistryLib::ScanDrivers},
    {4, "SOFTWARE\\Microsoft\\Windows", true, &CRegistryLib::ScanHelpFiles},
    {5, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", true, &CRegistryLib::ScanAppPaths},
    {6, "SOFTWARE\\Microsoft\\Shared Tools", true, &CRegistryLib::ScanSharedTools},
    {7, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", false, &CRegistryLib::ScanFonts},
    {8, "Software\\Microsoft\\Windows\\Currentversion\\Run", false, &CRegistryLib::ScanStartup},
    {9, "Software\\Microsoft\\Windows\\Currentversion\\Uninstall", true, &CRegistryLib::ScanUninstall},
};

constexpr int kPerCategory = 600;

void PlantCategories(bool plant) {
    const HKEY m = HKEY_LOCAL_MACHINE;
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    for (int i = 0; i < kPerCategory; ++i) {
        std::string n = std::to_string(i);
        std::string half = std::to_string(i / 2);
        if (plant) {
            SetString(m, kCategories[0].path, File(i, ".dll"), "1");
            std::string driver = "bench-drv" + n + ".drv";
            if (i % 10) Touch(std::string(sys) + "\\" + driver);
            SetString(m, kCategories[1].path, "bench." + n, driver);
            File(i, ".hlp");
            SetString(m, std::string(kCategories[2].path) + (i % 2 ? "\\Help" : "\\HTML Help"),
                      std::string(i % 10 ? "f" : "missing") + n + ".hlp", kFiles);
            if (i % 2 == 0) {
                SetString(m, std::string(kCategories[3].path) + "\\Bench" + half + ".exe", "", File(i, ".exe"));
                SetString(m, std::string(kCategories[3].path) + "\\Bench" + half + ".exe", "Path", "C:\\bench-files");
                SetString(m, std::string(kCategories[4].path) + "\\BenchTool" + half, "Path", File(i, ".exe"));
                SetString(m, std::string(kCategories[4].path) + "\\BenchTool" + half, "Version", "1.0");
                SetString(m, std::string(kCategories[7].path) + "\\BenchApp" + half, "UninstallString",
                          "\"" + File(i, ".exe") + "\" /S");
                SetString(m, std::string(kCategories[7].path) + "\\BenchApp" + half, "DisplayName", "Bench " + half);
            }
            SetString(m, kCategories[5].path, "Bench " + n + " (TrueType)", File(i, ".ttf"));
            SetString(m, kCategories[6].path, "Bench" + n, "\"" + File(i, ".exe") + "\" /background");
        } else {
            DeleteValue(m, kCategories[0].path, File(i, ".dll"));
            DeleteValue(m, kCategories[1].path, "bench." + n);
            DeleteValue(m, kCategories[5].path, "Bench " + n + " (TrueType)");
            DeleteValue(m, kCategories[6].path, "Bench" + n);
            if (i % 2 == 0) {
                CRegistryLib::DeleteTree(m, std::string(kCategories[3].path) + "\\Bench" + half + ".exe");
                CRegistryLib::DeleteTree(m, std::string(kCategories[4].path) + "\\BenchTool" + half);
                CRegistryLib::DeleteTree(m, std::string(kCategories[7].path) + "\\BenchApp" + half);
            }
        }
    }
    if (!plant) {
        CRegistryLib::DeleteTree(m, std::string(kCategories[2].path) + "\\Help");
        CRegistryLib::DeleteTree(m, std::string(kCategories[2].path) + "\\HTML Help");
    }
}

void CategoryTable() {
    PlantClasses(kPerCategory);
    PlantCategories(true);
    std::printf("\nAll nine categories (%d planted entries each)\n%-3s %-22s %8s %9s %9s %10s %6s %11s\n",
                kPerCategory, "#", "summary", "examined", "scan ms", "floor ms", "entries/s", "ratio", "found");
    CRegistryLib lib;
    double totalScan = 0, totalFloor = 0;
    int totalExamined = 0;
    for (int number = 1; number <= 9; ++number) {
        int found = 0, examined = 0, floorFound = 0;
        std::string title;
        auto scanOnce = [&] {
            SummaryList summaries;
            lib.Errors().clear();
            if (number == 1)
                lib.ScanClasses(summaries);
            else
                (lib.*kCategories[number - 2].scan)(summaries);
            if (!summaries.empty()) {
                found = summaries[0].found;
                examined = summaries[0].examined;
                title = summaries[0].title;
            }
        };
        auto floorOnce = [&] {
            if (number == 1) {
                floorFound = FloorClasses();
            } else {
                const Category& c = kCategories[number - 2];
                floorFound = FloorCategory(number, c.path, c.subKeys, number == 4);
            }
        };
        auto [scan, floor] = bench::Alternate(5, scanOnce, floorOnce);
        totalScan += scan;
        totalFloor += floor;
        totalExamined += examined;
        std::printf("%-3d %-22s %8d %9.1f %9.1f %10.0f %6.2f %5d/%-5d\n", number, title.c_str(), examined,
                    scan * 1000, floor * 1000, examined / scan, scan / floor, found, floorFound);
    }
    std::printf("%-3s %-22s %8d %9.1f %9.1f %10.0f %6.2f\n", "", "all", totalExamined, totalScan * 1000,
                totalFloor * 1000, totalExamined / totalScan, totalScan / totalFloor);
    PlantCategories(false);
    UnplantClasses(kPerCategory);
}

}  // namespace

int main(int argc, char** argv) {
    CreateDirectoryA("C:\\bench-files", nullptr);
    StopEvent stop;  // held open so the scanners' stop tests see a live, clear event
    stop.Reset();
    if (argc > 1 && std::strcmp(argv[1], "hives") == 0) {
        HiveClassTable(argc > 2 ? std::atoi(argv[2]) : 20000, argc > 3 ? std::atoi(argv[3]) : 2000);
        return 0;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {2000, 20000};
    ClassScanTable(sizes);
    HiveClassTable(20000, 2000);
    CategoryTable();
    return 0;
}

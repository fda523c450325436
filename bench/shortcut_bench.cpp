// Shortcut scan against a floor loop that makes only the calls needed to decide the same result:
// one walk of the folders, and for each ".lnk" one shell link object, Load, GetPath and an existence
// test, with COM initialised once for the thread. A third column runs the scanner's own folder
// search with COM initialised around every link instead of once per walk. Last, the fix of the
// broken links once, against deleting as many files by path.
//
//   shortcut_bench [ROUNDS]      (default 5, after one warm-up round; 200 folders, 2,000 links, 10% broken)
#include "bench/BenchSupport.h"
#include "maintenance/Shortcut.h"
#include "registry/StopEvent.h"

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <io.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const char kRoot[] = "C:\\bench-links";
const char kTargets[] = "C:\\bench-link-targets";
constexpr int kGroups = 4, kFoldersPerGroup = 50, kLinksPerFolder = 10;

struct Com {
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
};

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

std::vector<std::string> Plant() {
    Com com;
    std::vector<std::string> folders;
    CreateDirectoryA(kRoot, nullptr);
    CreateDirectoryA(kTargets, nullptr);
    for (int t = 0; t < 100; ++t) {
        std::string path = std::string(kTargets) + "\\target" + std::to_string(t) + ".txt";
        if (FILE* f = std::fopen(path.c_str(), "wb")) std::fclose(f);
    }
    // Links with the same target are byte for byte the same file: save one, copy the rest.
    std::map<std::string, std::string> saved;  // target -> first link saved for it
    int n = 0;
    for (int g = 0; g < kGroups; ++g) {
        std::string group = std::string(kRoot) + "\\group" + std::to_string(g);
        CreateDirectoryA(group.c_str(), nullptr);
        for (int f = 0; f < kFoldersPerGroup; ++f) {
            std::string folder = group + "\\folder" + std::to_string(f);
            CreateDirectoryA(folder.c_str(), nullptr);
            folders.push_back(folder);
            for (int l = 0; l < kLinksPerFolder; ++l, ++n) {
                std::string target = std::string(kTargets) + (n % 10 == 0 ? "\\missing" : "\\target") +
                                     std::to_string(n % 100) + ".txt";
                std::string path = folder + "\\link" + std::to_string(l) + ".lnk";
                auto it = saved.find(target);
                if (it != saved.end()) {
                    CopyFileA(it->second.c_str(), path.c_str(), FALSE);
                    continue;
                }
                Released<IShellLinkA> link;
                Released<IPersistFile> file;
                if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                            reinterpret_cast<void**>(&link.p))))
                    continue;
                link.p->SetPath(target.c_str());
                link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
                wchar_t wide[MAX_PATH];
                MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
                if (file.p && SUCCEEDED(file.p->Save(wide, TRUE))) saved[target] = path;
            }
        }
    }
    return folders;
}

bool IsBroken(const std::string& path) {
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.p))) ||
        FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return false;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char target[MAX_PATH];
    WIN32_FIND_DATAA data;
    return SUCCEEDED(file.p->Load(wide, STGM_READ)) && link.p->GetPath(target, MAX_PATH, &data, SLGP_SHORTPATH) == S_OK &&
           _access(target, 0) != 0;
}

// One enumeration per folder: subfolders are walked, ".lnk" files checked.
void FloorWalk(const std::string& folder, int& examined, int& broken) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::strcmp(entry.cFileName, ".") && std::strcmp(entry.cFileName, ".."))
                FloorWalk(folder + "\\" + entry.cFileName, examined, broken);
            continue;
        }
        std::size_t n = std::strlen(entry.cFileName);
        if (n < 4 || lstrcmpiA(entry.cFileName + n - 4, ".lnk") != 0) continue;
        ++examined;
        if (IsBroken(folder + "\\" + entry.cFileName)) ++broken;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) rounds = 1;

    StopEvent stop;  // held open so the scanner's stop tests see a live, clear event
    stop.Reset();
    double t0 = bench::Now();
    const std::vector<std::string> folders = Plant();
    std::printf("planted %d links in %d folders in %.1f s\n", kGroups * kFoldersPerGroup * kLinksPerFolder,
                static_cast<int>(folders.size()), bench::Now() - t0);

    // The machine is shared, so the three run interleaved group by group (4 groups of 50 folders),
    // each group starting with a different one; a burst of load then hits all three alike. Groups
    // are few because each walk starts its own stop monitor thread, which a whole scan does once.
    CShortcut scanner, perLink;
    int floorExamined = 0, floorBroken = 0;
    std::vector<double> scanTimes, floorTimes, perLinkTimes;
    for (int r = -1; r < rounds; ++r) {  // round -1 warms up and is not counted
        double times[3] = {};
        floorExamined = floorBroken = 0;
        scanner.Reset();
        perLink.Reset();
        for (int g = 0; g < kGroups; ++g) {
            const std::string group = std::string(kRoot) + "\\group" + std::to_string(g);
            for (int i = 0; i < 3; ++i) {
                const int variant = (i + g) % 3;
                const double start = bench::Now();
                if (variant == 0) {
                    Com com;
                    FloorWalk(group, floorExamined, floorBroken);
                } else if (variant == 1) {
                    scanner.RecurseFolder(group);
                } else {
                    // No walk holds COM for the thread here, so it is initialised around each link.
                    for (int f = 0; f < kFoldersPerGroup; ++f)
                        perLink.SearchLinkFileAndResolve(folders[g * kFoldersPerGroup + f]);
                }
                times[variant] += bench::Now() - start;
            }
        }
        if (r < 0) continue;
        floorTimes.push_back(times[0]);
        scanTimes.push_back(times[1]);
        perLinkTimes.push_back(times[2]);
    }
    const double scan = bench::Median(scanTimes), floor = bench::Median(floorTimes),
                 perLinkTime = bench::Median(perLinkTimes);

    std::printf("%-16s %10s %10s %12s %8s %8s\n", "", "examined", "broken", "ms", "links/s", "ratio");
    std::printf("%-16s %10d %10d %12.0f %8.0f %8.2f\n", "floor", floorExamined, floorBroken, floor * 1000,
                floorExamined / floor, 1.0);
    std::printf("%-16s %10d %10d %12.0f %8.0f %8.2f\n", "scan", scanner.ExaminedCount(), scanner.BrokenCount(),
                scan * 1000, scanner.ExaminedCount() / scan, scan / floor);
    std::printf("%-16s %10d %10d %12.0f %8.0f %8.2f\n", "COM per link", perLink.ExaminedCount(),
                perLink.BrokenCount(), perLinkTime * 1000, perLink.ExaminedCount() / perLinkTime,
                perLinkTime / floor);
    std::vector<std::string> a = scanner.Broken(), b = perLink.Broken();
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());  // the folders were searched in planting order, not walk order
    const bool same = a == b && scanner.BrokenCount() == floorBroken && floorBroken == 200;
    std::printf("median of %d rounds; results %s\n", rounds, same ? "identical" : "DIFFER");

    // The fix of the links the scan listed, against deleting as many copies of them by path
    // (attributes cleared, DeleteFileA: the least a deletion costs), group by group, alternating
    // which goes first. Once, at the end: the fix removes what the rounds scanned, and the next
    // run plants it again.
    double fix = 0, floorFix = 0;
    int fixed = 0, floorDeleted = 0;
    for (int g = 0; g < kGroups; ++g) {
        CShortcut group;
        group.RecurseFolder(std::string(kRoot) + "\\group" + std::to_string(g));
        std::vector<std::string> copies;
        for (const std::string& p : group.Broken()) {
            copies.push_back(p + ".copy");
            CopyFileA(p.c_str(), copies.back().c_str(), FALSE);
        }
        for (int i = 0; i < 2; ++i) {
            const double start = bench::Now();
            if ((i + g) % 2 == 0) {
                group.FixShortcuts();
                fixed += group.DeletedCount();
                fix += bench::Now() - start;
            } else {
                for (const std::string& c : copies) {
                    SetFileAttributesA(c.c_str(), FILE_ATTRIBUTE_NORMAL);
                    floorDeleted += DeleteFileA(c.c_str()) ? 1 : 0;
                }
                floorFix += bench::Now() - start;
            }
        }
    }
    std::printf("fix: %d links in %.0f ms; by path %d in %.0f ms; ratio %.2f\n", fixed, fix * 1000, floorDeleted,
                floorFix * 1000, fix / floorFix);
    return same && fixed == floorDeleted ? 0 : 1;
}

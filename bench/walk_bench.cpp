// The shortcut scanner's walk of a large tree against a floor walk that lists each folder once,
// with the same listing calls, and checks each ".lnk" with the same shell link calls (COM
// initialised once), doing nothing else: no folder identities, no progress, no second listing.
//
//   walk_bench [ROUNDS]      (default 3, after one warm-up round)
//
// The tree (50,550 folders, 250,000 files) is made by tools/lib/walk-tree.py from the Linux side,
// which tools/bench runs first; its Windows path comes in TW_WALK_TREE. The benchmark saves one
// working and one broken shortcut and copies them into 1,000 of the leaf folders (one in ten
// broken).
#include "bench/BenchSupport.h"
#include "maintenance/Shortcut.h"
#include "registry/StopEvent.h"

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <io.h>

#include <cstdlib>
#include <cstring>

#ifndef FIND_FIRST_EX_LARGE_FETCH
#define FIND_FIRST_EX_LARGE_FETCH 2
#endif

namespace {

constexpr int kLinks = 1000;
const char kTargets[] = "C:\\walk-bench-targets";

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

bool SaveLink(const std::string& path, const std::string& target) {
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.p))) ||
        FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
        return false;
    link.p->SetPath(target.c_str());
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    return SUCCEEDED(file.p->Save(wide, TRUE));
}

// Leaf folder n of the tree (0 to 49,999): d<n/1000>\e<n/100%10>\f<n%100>.
std::string Leaf(const std::string& tree, int n) {
    char rel[32];
    std::snprintf(rel, sizeof rel, "\\d%02d\\e%d\\f%02d", n / 1000, n / 100 % 10, n % 100);
    return tree + rel;
}

bool PlantLinks(const std::string& tree) {
    Com com;
    CreateDirectoryA(kTargets, nullptr);
    const std::string good = std::string(kTargets) + "\\good.lnk", broken = std::string(kTargets) + "\\broken.lnk";
    const std::string target = std::string(kTargets) + "\\target.txt";
    if (FILE* f = std::fopen(target.c_str(), "wb")) std::fclose(f);
    if (!SaveLink(good, target) || !SaveLink(broken, std::string(kTargets) + "\\missing.txt")) return false;
    for (int i = 0; i < kLinks; ++i) {
        const std::string path = Leaf(tree, i * 50) + "\\shortcut.lnk";
        if (!CopyFileA((i % 10 == 0 ? broken : good).c_str(), path.c_str(), FALSE)) return false;
    }
    return true;
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
    return SUCCEEDED(file.p->Load(wide, STGM_READ)) &&
           link.p->GetPath(target, MAX_PATH, &data, SLGP_SHORTPATH) == S_OK && _access(target, 0) != 0;
}

// One listing per folder: subfolders are walked, ".lnk" files checked.
void FloorWalk(const std::string& folder, int& folders, int& examined, int& broken) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileExA((folder + "\\*").c_str(), static_cast<FINDEX_INFO_LEVELS>(1) /* FindExInfoBasic */,
                                   &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    ++folders;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::strcmp(entry.cFileName, ".") && std::strcmp(entry.cFileName, ".."))
                FloorWalk(folder + "\\" + entry.cFileName, folders, examined, broken);
            continue;
        }
        std::size_t n = std::strlen(entry.cFileName);
        if (n < 4 || lstrcmpiA(entry.cFileName + n - 4, ".lnk") != 0) continue;
        ++examined;
        if (IsBroken(folder + "\\" + entry.cFileName)) ++broken;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

int g_folderCalls = 0;
void CountFolders(std::string, std::string status, std::int32_t, std::int32_t) {
    if (status == kSearchingDirText) ++g_folderCalls;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    if (rounds < 1) rounds = 1;
    const char* env = std::getenv("TW_WALK_TREE");
    const std::string tree = env && *env ? env : "C:\\walk-tree";
    if (GetFileAttributesA(Leaf(tree, 49999).c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no tree at %s: run this benchmark through tools/bench, which makes it\n", tree.c_str());
        return 2;
    }
    double t0 = bench::Now();
    if (!PlantLinks(tree)) {
        std::printf("cannot plant the shortcuts\n");
        return 2;
    }
    std::printf("planted %d shortcuts in %.1f s\n", kLinks, bench::Now() - t0);

    StopEvent stop;  // held open so the scanner's stop tests see a live, clear event
    stop.Reset();
    CShortcut scanner;
    scanner.SetProgressCallback(&CountFolders);
    int folders = 0, examined = 0, broken = 0;
    std::vector<double> scanTimes, floorTimes;
    for (int r = -1; r < rounds; ++r) {  // round -1 warms the caches up and is not counted
        double times[2] = {};
        for (int i = 0; i < 2; ++i) {
            const int variant = (i + r + 1) % 2;  // alternate which one goes first
            const double start = bench::Now();
            if (variant == 0) {
                Com com;
                folders = examined = broken = 0;
                FloorWalk(tree, folders, examined, broken);
            } else {
                g_folderCalls = 0;
                scanner.Reset();
                scanner.RecurseFolder(tree);
            }
            times[variant] = bench::Now() - start;
        }
        std::printf("round %d: floor %.0f ms, scan %.0f ms%s\n", r, times[0] * 1000, times[1] * 1000,
                    r < 0 ? " (warm-up)" : "");
        if (r < 0) continue;
        floorTimes.push_back(times[0]);
        scanTimes.push_back(times[1]);
    }
    const double scan = bench::Median(scanTimes), floor = bench::Median(floorTimes);
    std::printf("%-8s %10s %10s %10s %12s %8s\n", "", "folders", "examined", "broken", "ms", "ratio");
    std::printf("%-8s %10d %10d %10d %12.0f %8.2f\n", "floor", folders, examined, broken, floor * 1000, 1.0);
    std::printf("%-8s %10d %10d %10d %12.0f %8.2f\n", "scan", g_folderCalls, scanner.ExaminedCount(),
                scanner.BrokenCount(), scan * 1000, scan / floor);
    // The floor also lists the tree's own folder, whose shortcuts the scanner leaves alone.
    const bool same = scanner.ExaminedCount() == examined && scanner.BrokenCount() == broken &&
                      examined == kLinks && broken == kLinks / 10 && g_folderCalls == folders - 1;
    std::printf("median of %d rounds; results %s\n", rounds, same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}

// The shortcut scanner's walk of a large tree against a floor walk that lists each folder once,
// with the same listing calls, and checks each ".lnk" with the same shell link calls (COM
// initialised once), doing nothing else: no folder identities, no progress, no trace texts. The
// floor keeps a folder's subfolders until its listing is done, as the scanner must: the scanner
// examines a folder's shortcuts before it walks the folder's subfolders.
//
//   walk_bench [ROUNDS]      (default 5, after one warm-up round)
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

namespace {

constexpr int kLinks = 1000, kSubtrees = 50;
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

// The listing the scanner uses where the system has it: the folder opened once and read through
// that handle with GetFileInformationByHandleEx, 64 KB at a time (the entries carry the file index
// the scanner keeps; the floor ignores it).
using GetInfoExFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
struct IdBothDirInfo {  // FILE_ID_BOTH_DIR_INFO
    DWORD nextEntryOffset, fileIndex;
    LARGE_INTEGER times[4], endOfFile, allocationSize;
    DWORD fileAttributes, fileNameLength, eaSize;
    CCHAR shortNameLength;
    WCHAR shortName[12];
    LARGE_INTEGER fileId;
    WCHAR fileName[1];
};
const GetInfoExFn g_getInfo = reinterpret_cast<GetInfoExFn>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
std::vector<char> g_buffer(64 * 1024);

// One listing per folder: subfolders are walked, ".lnk" files checked.
void FloorWalk(const std::string& folder, int& folders, int& examined, int& broken) {
    HANDLE handle = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    ++folders;
    std::vector<std::string> subfolders;
    for (int info = 11; g_getInfo(handle, info, g_buffer.data(), static_cast<DWORD>(g_buffer.size())); info = 10) {
        for (std::size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const IdBothDirInfo*>(g_buffer.data() + at);
            char name[MAX_PATH];
            int n = WideCharToMultiByte(CP_ACP, 0, entry->fileName, static_cast<int>(entry->fileNameLength / 2), name,
                                        MAX_PATH - 1, nullptr, nullptr);
            name[n] = '\0';
            if (entry->fileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (std::strcmp(name, ".") && std::strcmp(name, "..")) subfolders.push_back(name);
            } else if (n >= 4 && lstrcmpiA(name + n - 4, ".lnk") == 0) {
                ++examined;
                if (IsBroken(folder + "\\" + name)) ++broken;
            }
            if (!entry->nextEntryOffset) break;
            at += entry->nextEntryOffset;
        }
    }
    CloseHandle(handle);
    for (const std::string& sub : subfolders) FloorWalk(folder + "\\" + sub, folders, examined, broken);
}

int g_folderCalls = 0;
void CountFolders(std::string, std::string status, std::int32_t, std::int32_t) {
    if (status == kSearchingDirText) ++g_folderCalls;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
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
    std::vector<double> scanTimes, floorTimes, ratios;
    // The machine is shared, so the two run interleaved, subtree by subtree (the 50 folders below the
    // tree's own), each subtree starting with the other one than the last; a burst of load then
    // hits both alike.
    for (int r = -1; r < rounds; ++r) {  // round -1 warms the caches up and is not counted
        double times[2] = {};
        folders = examined = broken = 0;
        g_folderCalls = 0;
        scanner.Reset();  // its counts add up over the round's subtrees
        for (int d = 0; d < kSubtrees; ++d) {
            char rel[8];
            std::snprintf(rel, sizeof rel, "\\d%02d", d);
            const std::string subtree = tree + rel;
            for (int i = 0; i < 2; ++i) {
                const int variant = (i + d + r + 1) % 2;
                const double start = bench::Now();
                if (variant == 0) {
                    Com com;
                    FloorWalk(subtree, folders, examined, broken);
                } else {
                    scanner.RecurseFolder(subtree);
                }
                times[variant] += bench::Now() - start;
            }
        }
        std::printf("round %d: floor %.0f ms, scan %.0f ms, ratio %.2f%s\n", r, times[0] * 1000, times[1] * 1000,
                    times[1] / times[0], r < 0 ? " (warm-up)" : "");
        if (r < 0) continue;
        floorTimes.push_back(times[0]);
        scanTimes.push_back(times[1]);
        ratios.push_back(times[1] / times[0]);
    }
    const double scan = bench::Median(scanTimes), floor = bench::Median(floorTimes);
    std::printf("%-8s %10s %10s %10s %12s %8s\n", "", "folders", "examined", "broken", "ms", "ratio");
    std::printf("%-8s %10d %10d %10d %12.0f %8.2f\n", "floor", folders, examined, broken, floor * 1000, 1.0);
    std::printf("%-8s %10d %10d %10d %12.0f %8.2f\n", "scan", g_folderCalls, scanner.ExaminedCount(),
                scanner.BrokenCount(), scan * 1000, scan / floor);
    // The floor also counts the 50 folders the scanner starts from, which get no progress call.
    const bool same = scanner.ExaminedCount() == examined && scanner.BrokenCount() == broken &&
                      examined == kLinks && broken == kLinks / 10 && g_folderCalls == folders - kSubtrees;
    std::printf("median of %d rounds (median of the rounds' ratios %.2f); results %s\n", rounds,
                bench::Median(ratios), same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}

#include "maintenance/Shortcut.h"

#include "log/Trace.h"
#include "platform/Handles.h"
#include "platform/SystemFunction.h"
#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/StopEvent.h"
#include "registry/SystemEnvironment.h"

#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>


#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_set>

namespace {

constexpr char kEnterRecurse[] = "Entering CShortcut::RecurseFolder(";
constexpr char kLeaveRecurse[] = "Leaving CShortcut::RecurseFolder(";
constexpr char kStopSignalled[] = ") Stop Scan Signaled";
constexpr char kEnterSearch[] = "Entering CShortcut::SearchLinkFileAndResolve(";
constexpr char kLeaveSearch[] = "Leaving CShortcut::SearchLinkFileAndResolve(";
constexpr char kNoSearchHandle[] = "INVALID_HANDLE_VALUE Leaving CShortcut::SearchLinkFileAndResolve(";
constexpr char kFindNextFailed[] = "Error Couldn't find next file CShortcut::SearchLinkFileAndResolve(";
constexpr char kFindCloseFailed[] = "Error Couldn't close search handle CShortcut::SearchLinkFileAndResolve(";

// CoInitialize for one scope. Uninitialised only when it succeeded: a thread that is already in the
// multithreaded apartment refuses, and must not lose its apartment to us.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

bool IsDotEntry(const char* name) { return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2])); }

// "*.lnk" also matches by the short name, so "notes.lnkx" (short name NOTES~1.LNK) comes back too.
bool HasLinkExtension(const char* name) {
    std::size_t n = std::strlen(name);
    return n >= 4 && tw::EqualsNoCase(std::string_view(name + n - 4, 4), ".lnk");
}

#ifndef FILE_ATTRIBUTE_RECALL_ON_OPEN
#define FILE_ATTRIBUTE_RECALL_ON_OPEN 0x00040000
#endif
#ifndef FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
#define FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS 0x00400000
#endif
// Content kept elsewhere (a cloud service, tape): opening or reading it fetches it first.
constexpr DWORD kNotOnDisk = FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_RECALL_ON_OPEN | FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS;

// A folder as the file system knows it, whatever path led to it.
struct FolderId {
    DWORD volume;
    ULONGLONG index;
    bool operator==(const FolderId& o) const { return volume == o.volume && index == o.index; }
};
struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const { return std::hash<ULONGLONG>()(id.index ^ (ULONGLONG(id.volume) << 32)); }
};

// Opens a folder for its identity only (no right to list or read it), letting others do anything.
tw::UniqueFile OpenFolder(const std::string& folder) {
    // "C:" alone names the current folder of drive C, not its root.
    const std::string path = folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder;
    return tw::UniqueFile(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

ULONGLONG FileIndex(const BY_HANDLE_FILE_INFORMATION& info) {
    return (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// GetFileInformationByHandleEx (Windows Vista and later) lists a folder through a handle to it,
// giving each entry's file index with its name and attributes. Declared here: the headers hide it
// from programs that also run on Windows XP, where it is missing.
using GetFileInformationByHandleExFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
constexpr int kFileIdBothDirectoryInfo = 10, kFileIdBothDirectoryRestartInfo = 11;
struct IdBothDirInfo {  // FILE_ID_BOTH_DIR_INFO
    DWORD nextEntryOffset;
    DWORD fileIndex;
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
    DWORD fileAttributes;
    DWORD fileNameLength;  // in bytes
    DWORD eaSize;
    CCHAR shortNameLength;
    WCHAR shortName[12];
    LARGE_INTEGER fileId;
    WCHAR fileName[1];
};
static_assert(offsetof(IdBothDirInfo, fileId) == 96 && offsetof(IdBothDirInfo, fileName) == 104, "layout");

GetFileInformationByHandleExFn ListingByHandle() {
    static const auto get =
        tw::FindSystemFunction<GetFileInformationByHandleExFn>("kernel32.dll", "GetFileInformationByHandleEx");
    return get;
}

// The target a shortcut names, when it names a file or folder that can be tested.
bool ReadLinkTarget(const std::string& path, std::string& target) {
    tw::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return false;
    tw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return false;  // too long
    if (FAILED(file->Load(wide, STGM_READ))) return false;

    char buffer[MAX_PATH];
    lstrcpynA(buffer, path.c_str(), MAX_PATH);
    // The path as stored: the short form would be asked of the file system (and of a network
    // host, for a UNC path) before the target's drive is known to be local. No find-data record
    // either: Wine fills one by looking the target up.
    // S_FALSE: the shortcut has no file path (My Computer, Control Panel, ...), so no target to miss.
    if (link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return false;
    target = buffer;
    // '?' stands for characters the code page lacks; such a path names no file we could test, and
    // calling its shortcut broken would delete a working one.
    return !target.empty() && target.find('?') == std::string::npos;
}

}  // namespace

WalkEntry ClassifyWalkEntry(std::uint32_t attributes, const char* name) {
    if (IsDotEntry(name) || (attributes & kNotOnDisk)) return WalkEntry::kSkip;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return attributes & FILE_ATTRIBUTE_REPARSE_POINT ? WalkEntry::kSkip : WalkEntry::kFolder;
    return HasLinkExtension(name) ? WalkEntry::kLink : WalkEntry::kSkip;
}

// One listing of a folder: its subfolders to walk and its shortcut files, in the order the file
// system gave them, and the trace texts of what went wrong while listing.
struct CShortcut::Listing {
    struct Subfolder {
        std::string name;
        ULONGLONG index;  // its file index, when the listing gave it
        bool indexed;
    };
    std::vector<Subfolder> folders;
    std::vector<std::string> links;
    std::vector<const char*> errors;
    bool listed = false;

    void Add(DWORD attributes, const char* name, ULONGLONG index, bool indexed) {
        switch (ClassifyWalkEntry(attributes, name)) {
        case WalkEntry::kFolder: folders.push_back({name, index, indexed}); break;
        case WalkEntry::kLink: links.emplace_back(name); break;
        case WalkEntry::kSkip: break;
        }
    }
};

// Lists folders, each with one enumeration. Where the system has GetFileInformationByHandleEx the
// folder is opened and listed through that handle, and every subfolder's file index comes with
// the listing. Elsewhere (Windows XP) FindFirstFileEx lists it, with FindExInfoBasic and
// FIND_FIRST_EX_LARGE_FETCH until the system rejects them (ERROR_INVALID_PARAMETER before
// Windows 7), and a subfolder's index takes an open of its own; so does a folder on a file system
// that does not answer the listing through a handle.
class CShortcut::Lister {
public:
    void List(const std::string& folder, Listing& out) {
        if (auto getInfo = ListingByHandle(); getInfo && ListByHandle(folder, getInfo, out)) return;
        const std::string pattern = folder + "\\*.*";
        WIN32_FIND_DATAA entry;
        tw::UniqueFind find;
        if (basic_) {
            find.reset(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH));
            if (!find && GetLastError() == ERROR_INVALID_PARAMETER) basic_ = false;
        }
        if (!basic_)
            find.reset(FindFirstFileExA(pattern.c_str(), FindExInfoStandard, &entry, FindExSearchNameMatch, nullptr, 0));
        if (!find) {
            out.errors.push_back(kNoSearchHandle);
            return;
        }
        out.listed = true;
        do out.Add(entry.dwFileAttributes, entry.cFileName, 0, false);
        while (FindNextFileA(find.get(), &entry));
        if (GetLastError() != ERROR_NO_MORE_FILES) out.errors.push_back(kFindNextFailed);
        if (!FindClose(find.release())) out.errors.push_back(kFindCloseFailed);
    }

private:
    // False when the file system does not list this way: nothing was listed.
    bool ListByHandle(const std::string& folder, GetFileInformationByHandleExFn getInfo, Listing& out) {
        tw::UniqueFile handle(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!handle) {
            out.errors.push_back(kNoSearchHandle);
            return true;
        }
        if (buffer_.empty()) buffer_.resize(64 * 1024);
        for (int info = kFileIdBothDirectoryRestartInfo;
             getInfo(handle.get(), info, buffer_.data(), static_cast<DWORD>(buffer_.size()));
             info = kFileIdBothDirectoryInfo) {
            out.listed = true;
            for (std::size_t at = 0;;) {
                const auto* entry = reinterpret_cast<const IdBothDirInfo*>(buffer_.data() + at);
                char name[MAX_PATH];
                // A name longer than MAX_PATH bytes could not be opened by a path either.
                int n = WideCharToMultiByte(CP_ACP, 0, entry->fileName, static_cast<int>(entry->fileNameLength / 2),
                                            name, MAX_PATH - 1, nullptr, nullptr);
                if (n > 0) {
                    name[n] = '\0';
                    // An index of 0 is none: the file system keeps no file indexes.
                    const auto index = static_cast<ULONGLONG>(entry->fileId.QuadPart);
                    out.Add(entry->fileAttributes, name, index, index != 0);
                }
                if (!entry->nextEntryOffset) break;
                at += entry->nextEntryOffset;
            }
        }
        const DWORD error = GetLastError();
        if (!out.listed && error != ERROR_NO_MORE_FILES) return false;  // not even "." came back
        out.listed = true;
        if (error != ERROR_NO_MORE_FILES) out.errors.push_back(kFindNextFailed);
        return true;
    }

    bool basic_ = true;
    std::vector<char> buffer_;  // one for the walk: a listing is finished before the next begins
};

// What one walk shares across its folders: the stop monitor, so the test before each folder entry
// is a flag read; COM for the scanning thread; the lister; and the folders entered so far. COM
// stays initialised for the whole walk, so the initialisation inside CheckLinkFile only counts up
// and down instead of building and tearing down the apartment around every link (see
// bench/shortcut_bench.cpp).
class CShortcut::Walk {
public:
    explicit Walk(CShortcut& owner) : owner_(owner), outer_(owner.walk_) { owner_.walk_ = this; }
    ~Walk() { owner_.walk_ = outer_; }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    // The folder a walk starts from: its volume's serial number is taken for the folders below it.
    // Nothing below is entered through a folder link, so they lie on the same volume; where another
    // volume is reached by a name the system does not mark (a bind mount under Wine), the worst a
    // file index the two volumes share can do is pass over a folder. Asking each folder for its
    // volume (GetFileInformationByHandle) costs, under Wine, three times its listing. False when
    // this folder was walked before.
    bool EnterRoot(const std::string& folder) {
        volume_ = 0;
        tw::UniqueFile handle = OpenFolder(folder);
        BY_HANDLE_FILE_INFORMATION info;
        if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return true;  // cannot tell
        volume_ = info.dwVolumeSerialNumber;
        return entered_.insert({volume_, FileIndex(info)}).second;
    }
    // False when the subfolder at path was entered before in this walk under any name, which is
    // what stops a loop that no reparse point marks. A folder whose index cannot be had cannot be
    // compared, and is entered.
    bool Enter(const std::string& path, const Listing::Subfolder& folder) {
        ULONGLONG index = folder.index;
        if (!folder.indexed) {
            tw::UniqueFile handle = OpenFolder(path);
            BY_HANDLE_FILE_INFORMATION info;
            if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return true;
            index = FileIndex(info);
            if (!index) return true;
        }
        return entered_.insert({volume_, index}).second;
    }

    ComScope com;
    StopMonitor stop;
    Lister lister;

private:
    CShortcut& owner_;
    Walk* outer_;
    DWORD volume_ = 0;
    std::unordered_set<FolderId, FolderIdHash> entered_;
};

CShortcut::CShortcut() = default;
CShortcut::~CShortcut() = default;

void CShortcut::Reset() {
    broken_.clear();
    targets_.clear();
    identities_.clear();
    unreachable_.clear();
    leftAtFix_.clear();
    backupStamps_.clear();
    probe_.Forget();
    examined_ = 0;
    deleted_ = 0;
    brokenCount_ = 0;
}

void CShortcut::ScanDrives() {
    Reset();
    Walk walk(*this);
    if (walk.stop.SignalledNow()) return;
    char drives[261] = {};
    DWORD length = GetLogicalDriveStringsA(260, drives);
    if (length == 0 || length > 260) return;
    for (const char* drive = drives; *drive; drive += std::strlen(drive) + 1) {
        if (GetDriveTypeA(drive) != DRIVE_FIXED) continue;
        const char letterAndColon[3] = {drive[0], drive[1], '\0'};
        RecurseFolder(letterAndColon);
    }
}

void CShortcut::RecurseFolder(const std::string& folder) {
    std::optional<Walk> own;
    if (!walk_) own.emplace(*this);
    if (!walk_->EnterRoot(folder)) return;  // walked already, through another drive letter
    Listing listing;
    // "C:" alone names the current folder of drive C, not its root.
    walk_->lister.List(folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder, listing);
    WalkFolders(folder, listing);
}

// The subfolders named by folder's listing. Each is listed once: its shortcuts are examined, its
// progress call made, and its own subfolders walked from that one listing.
void CShortcut::WalkFolders(const std::string& folder, const Listing& listing) {
    Trace(TraceText(kEnterRecurse, folder));
    bool stopped = false;
    for (const Listing::Subfolder& sub : listing.folders) {
        if (StopRequested()) {
            stopped = true;
            break;
        }
        const std::string path = folder + "\\" + sub.name;
        if (tw::Contains(path, kSystemVolumeInformation)) continue;
        if (!walk_->Enter(path, sub)) continue;  // reached again through a link the system does not mark
        Listing own;
        walk_->lister.List(path, own);
        ExamineLinks(path, own);
        Progress(path, kSearchingDirText, examined_, brokenCount_);
        WalkFolders(path, own);
    }
    Trace(TraceText(kLeaveRecurse, folder, stopped ? kStopSignalled : ")"));
}

void CShortcut::SearchLinkFileAndResolve(const std::string& folder) {
    Lister own;
    Listing listing;
    (walk_ ? walk_->lister : own).List(folder, listing);
    ExamineLinks(folder, listing);
}

void CShortcut::ExamineLinks(const std::string& folder, const Listing& listing) {
    Trace(TraceText(kEnterSearch, folder));
    for (const std::string& name : listing.links) CheckLinkFile(folder + "\\" + name);
    for (const char* error : listing.errors) Trace(TraceText(error, folder));
    if (listing.listed) Trace(TraceText(kLeaveSearch, folder));
}

void CShortcut::CheckLinkFile(const std::string& path) {
    ++examined_;
    Progress(path, kScanningShortcutsText, examined_, brokenCount_);
    ComScope com;
    std::string target;
    if (!ReadLinkTarget(path, target)) return;  // not a link, or no testable target: sound
    // A link names its target as a 64-bit program would see it (system32 is system32), so the
    // target is looked for without file-system redirection. The link itself is read with it: the
    // shell's own libraries load from the redirected system folder.
    const FileState state = TestTarget(target);
    if (state == FileState::Present) return;
    if (IsIgnored(path)) return;
    if (state == FileState::CannotCheck) {
        unreachable_.push_back({path, target});
        return;
    }
    broken_.push_back(path);
    targets_.push_back(target);
    identities_.push_back(linkfile::IdentifyFile(path));
    ++brokenCount_;
}

// The stored path may hold environment strings ("%ProgramFiles%\App\app.exe"), which the shell
// expands when it does not hand out the raw path. A path that merely looks like one (a folder
// really named "%x%") counts as there when the unexpanded path is.
FileState CShortcut::TestTarget(const std::string& target) {
    const std::string expanded =
        target.find('%') == std::string::npos ? target : SystemPathEnvironment().Expand(target);
    const FileState state = probe_.Test(expanded, true);
    if (state != FileState::Missing || expanded == target) return state;
    return probe_.Test(target, true) == FileState::Present ? FileState::Present : FileState::Missing;
}

bool CShortcut::KeptAtFix(std::size_t i) {
    // The scan may be hours old: a target that is there again, or out of reach now, keeps its link.
    if (i < targets_.size()) {
        const FileState state = TestTarget(targets_[i]);
        if (state != FileState::Missing) {
            leftAtFix_.push_back({i, state});
            return true;
        }
    }
    // Without the identity the scan saw there is nothing to hold the file at the path against.
    if (i >= identities_.size() || !identities_[i]) {
        leftAtFix_.push_back({i, FileState::Present, false, true});
        return true;
    }
    return false;
}

void CShortcut::FixShortcuts(FixProgress* progress) {
    deleted_ = 0;
    goneAtFix_ = 0;
    leftAtFix_.clear();
    probe_.Forget();  // drives plugged in or taken out since the scan count now
    for (std::size_t i = 0; i < broken_.size(); ++i) {
        const std::string& path = broken_[i];
        if (path.empty()) continue;  // cleared: the user keeps it
        // Told however this entry's turn ends.
        struct Turn {
            FixProgress* progress;
            ~Turn() {
                if (progress) progress->EntryDone();
            }
        } turn{progress};
        if (KeptAtFix(i)) continue;
        Progress(path, kFixingShortcutsText, 0, 0);
        const std::optional<LinkStamp> stamp = i < backupStamps_.size() ? backupStamps_[i] : std::nullopt;
        switch (linkfile::RemoveScannedFile(path, *identities_[i], stamp)) {
        case linkfile::Removal::Deleted:
            ++deleted_;
            ++goneAtFix_;
            break;
        case linkfile::Removal::Replaced: leftAtFix_.push_back({i, FileState::Present, false, true}); break;
        case linkfile::Removal::Changed: leftAtFix_.push_back({i, FileState::Present, true}); break;
        case linkfile::Removal::Gone: ++goneAtFix_; break;
        case linkfile::Removal::Failed: break;  // as a failed deletion always was: not reported
        }
    }
}

std::vector<CShortcut::PlannedDelete> CShortcut::PlanFixShortcuts() {
    std::vector<PlannedDelete> plan(broken_.size(), PlannedDelete::Nothing);
    leftAtFix_.clear();
    probe_.Forget();
    for (std::size_t i = 0; i < broken_.size(); ++i) {
        const std::string& path = broken_[i];
        if (path.empty()) continue;
        plan[i] = PlannedDelete::Left;
        if (KeptAtFix(i)) continue;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            plan[i] = PlannedDelete::Gone;
            continue;
        }
        const std::optional<linkfile::FileIdentity> now = linkfile::IdentifyFile(path);
        if (!now || *now != *identities_[i]) {
            leftAtFix_.push_back({i, FileState::Present, false, true});
            continue;
        }
        plan[i] = PlannedDelete::Delete;
    }
    deleted_ = 0;
    goneAtFix_ = static_cast<std::size_t>(std::count_if(plan.begin(), plan.end(), [](PlannedDelete p) {
        return p == PlannedDelete::Delete || p == PlannedDelete::Gone;
    }));
    return plan;
}

void CShortcut::SetBackupStamp(std::size_t index, LinkStamp stamp) {
    if (index >= broken_.size()) return;
    if (backupStamps_.size() < broken_.size()) backupStamps_.resize(broken_.size());
    backupStamps_[index] = stamp;
}

bool CShortcut::ClearEntry(std::size_t index) {
    if (index >= broken_.size()) return false;
    broken_[index].clear();
    return true;
}

bool CShortcut::StopRequested() const { return walk_ ? walk_->stop.StopRequested() : StopEvent().IsSignalled(); }

bool CShortcut::IsIgnored(const std::string& path) const {
    if (!ignored_) return false;
    for (const ErrorRecord& r : *ignored_)
        if (r.Item() == path) return true;
    return false;
}

void CShortcut::Progress(const std::string& item, const char* status, std::int32_t examined,
                         std::int32_t found) const {
    if (progress_) progress_(item, status, examined, found);
}

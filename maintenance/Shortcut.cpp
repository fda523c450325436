#include "maintenance/Shortcut.h"

#include "log/Trace.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/StopEvent.h"

#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>


#include <cstring>
#include <optional>

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
    WIN32_FIND_DATAA data;
    // S_FALSE: the shortcut has no file path (My Computer, Control Panel, ...), so no target to miss.
    if (link->GetPath(buffer, MAX_PATH, &data, SLGP_SHORTPATH) != S_OK) return false;
    target = buffer;
    // '?' stands for characters the code page lacks; such a path names no file we could test, and
    // calling its shortcut broken would delete a working one.
    return !target.empty() && target.find('?') == std::string::npos;
}

}  // namespace

// What one walk shares across its folders: the stop monitor, so the test before each folder entry
// is a flag read, and COM for the scanning thread. COM stays initialised for the whole walk, so
// the initialisation inside CheckLinkFile only counts up and down instead of building and tearing
// down the apartment around every link (see bench/shortcut_bench.cpp).
class CShortcut::Walk {
public:
    explicit Walk(CShortcut& owner) : owner_(owner), outer_(owner.walk_) { owner_.walk_ = this; }
    ~Walk() { owner_.walk_ = outer_; }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    ComScope com;
    StopMonitor stop;

private:
    CShortcut& owner_;
    Walk* outer_;
};

CShortcut::CShortcut() = default;
CShortcut::~CShortcut() = default;

void CShortcut::Reset() {
    broken_.clear();
    targets_.clear();
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
    Trace(TraceText(kEnterRecurse, folder));

    bool stopped = false;
    WIN32_FIND_DATAA entry;
    tw::UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &entry));
    if (find) {
        do {
            if (StopRequested()) {
                stopped = true;
                break;
            }
            if (IsDotEntry(entry.cFileName) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            const std::string path = folder + "\\" + entry.cFileName;
            if (tw::Contains(path, kSystemVolumeInformation)) continue;
            SearchLinkFileAndResolve(path);
            Progress(path, kSearchingDirText, examined_, brokenCount_);
            RecurseFolder(path);
        } while (FindNextFileA(find.get(), &entry));
    }
    Trace(TraceText(kLeaveRecurse, folder, stopped ? kStopSignalled : ")"));
}

void CShortcut::SearchLinkFileAndResolve(const std::string& folder) {
    Trace(TraceText(kEnterSearch, folder));
    WIN32_FIND_DATAA entry;
    tw::UniqueFind find(FindFirstFileA((folder + "\\*.lnk").c_str(), &entry));
    if (!find) {
        Trace(TraceText(kNoSearchHandle, folder));
        return;
    }
    for (;;) {
        if (HasLinkExtension(entry.cFileName)) CheckLinkFile(folder + "\\" + entry.cFileName);
        if (!FindNextFileA(find.get(), &entry)) {
            if (GetLastError() != ERROR_NO_MORE_FILES) Trace(TraceText(kFindNextFailed, folder));
            break;
        }
    }
    if (!FindClose(find.release())) Trace(TraceText(kFindCloseFailed, folder));
    Trace(TraceText(kLeaveSearch, folder));
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
    const FileState state = probe_.Test(target, true);
    if (state == FileState::Present) return;
    if (IsIgnored(path)) return;
    if (state == FileState::CannotCheck) {
        unreachable_.push_back({path, target});
        return;
    }
    broken_.push_back(path);
    targets_.push_back(target);
    ++brokenCount_;
}

void CShortcut::FixShortcuts() {
    deleted_ = 0;
    leftAtFix_.clear();
    probe_.Forget();  // drives plugged in or taken out since the scan count now
    for (std::size_t i = 0; i < broken_.size(); ++i) {
        const std::string& path = broken_[i];
        if (path.empty()) continue;  // cleared: the user keeps it
        // The scan may be hours old: a target that is there again, or out of reach now, keeps its link.
        if (i < targets_.size()) {
            const FileState state = probe_.Test(targets_[i], true);
            if (state != FileState::Missing) {
                leftAtFix_.push_back({i, state});
                continue;
            }
        }
        if (!MatchesBackup(i)) {
            leftAtFix_.push_back({i, FileState::Present, true});
            continue;
        }
        Progress(path, kFixingShortcutsText, 0, 0);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // read-only files cannot be deleted
        if (DeleteFileA(path.c_str())) ++deleted_;
    }
}

void CShortcut::SetBackupStamp(std::size_t index, LinkStamp stamp) {
    if (index >= broken_.size()) return;
    if (backupStamps_.size() < broken_.size()) backupStamps_.resize(broken_.size());
    backupStamps_[index] = stamp;
}

// Whether the file at index is still the one its backup copy was taken from. Written over since
// then (or swapped for another file), deleting it would lose what the copy does not hold.
bool CShortcut::MatchesBackup(std::size_t index) const {
    if (index >= backupStamps_.size() || !backupStamps_[index]) return true;  // no copy was asked for
    WIN32_FILE_ATTRIBUTE_DATA now;
    if (!GetFileAttributesExA(broken_[index].c_str(), GetFileExInfoStandard, &now)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;  // gone: nothing to lose
    }
    const std::uint64_t size = (std::uint64_t{now.nFileSizeHigh} << 32) | now.nFileSizeLow;
    const std::uint64_t written =
        (std::uint64_t{now.ftLastWriteTime.dwHighDateTime} << 32) | now.ftLastWriteTime.dwLowDateTime;
    return size == backupStamps_[index]->size && written == backupStamps_[index]->written;
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

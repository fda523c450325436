#include "registry/ScanSupport.h"

#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/ViewPath.h"

#include <vector>

ErrorRecord CategoryScan::MakeRecord(const std::string& keyPath, const RegValueEntry& entry, const std::string& item,
                                     bool nativeFiles) const {
    ErrorRecord r;
    r.SetCategory(category_.id);
    r.SetKeyPath(keyPath);
    r.SetValue(entry);
    r.SetFixKind(category_.fixKind);
    r.SetItem(item);
    r.SetTestedFile(item, nativeFiles);
    return r;
}

void CategoryScan::Report(const std::string& keyPath, const RegValueEntry& entry, const std::string& item,
                          bool nativeFiles) {
    lib_.Errors().push_back(MakeRecord(keyPath, entry, item, nativeFiles));
    ++found_;
}

bool CategoryScan::IsMissing(const std::string& path, const std::string& recordKeyPath, const RegValueEntry& entry,
                             bool nativeFiles) {
    const FileState state = lib_.TestFile(path, nativeFiles);
    if (state == FileState::Present) return false;
    if (lib_.IsIgnored(path)) {
        lib_.NoteIgnoredEntry(recordKeyPath);
        return false;
    }
    if (state == FileState::Missing) return true;
    lib_.NoteUnreachable(MakeRecord(recordKeyPath, entry, path, nativeFiles));
    return false;
}

void CategoryScan::Progress(const std::string& path) const {
    if (ScanProgressCallback cb = lib_.ProgressCallback()) cb(path, category_.progressText, examined_, found_);
}

void CategoryScan::AppendSummary(SummaryList& summaries) const {
    summaries.push_back({category_.summaryTitle, examined_, found_, 0});
}

bool CanQueryKey(HKEY key) {
    DWORD count = 0, longest = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

WalkResult ForEachSubKey(HKEY key, const CategoryScan& scan,
                         const std::function<void(const std::string& name, bool exact)>& visit) {
    std::string name;
    for (DWORD index = 0;; ++index) {
        if (scan.StopRequested()) return WalkResult::Stopped;
        bool exact = true;
        if (CRegistryLib::EnumSubKey(key, index, name, &exact) != ERROR_SUCCESS) return WalkResult::Completed;
        if (!name.empty()) visit(name, exact);
    }
}

RegValueEntry ReadDefaultValue(HKEY key) {
    RegValueEntry e{kDefaultValueName, kValueNotSetText, REG_SZ};
    std::vector<BYTE> data(1024);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExW(key, nullptr, nullptr, &type, data.data(), &size);
    // A value that keeps growing while it is read is taken as unreadable after a few tries.
    for (int tries = 0; rc == ERROR_MORE_DATA && tries < 4; ++tries) {
        data.resize(std::size_t{size} + 2);
        size = static_cast<DWORD>(data.size());
        rc = RegQueryValueExW(key, nullptr, nullptr, &type, data.data(), &size);
    }
    if (rc != ERROR_SUCCESS) return e;
    return CRegistryLib::MakeEntry(std::u16string(), type, data.data(), size);
}

namespace {

LONG OpenInView(const std::string& fullPath, REGSAM view, tw::UniqueHKey& key) {
    std::string sub = fullPath;
    const std::string rootName = CRegistryLib::SeperateMainKey(sub);
    const HKEY root = CRegistryLib::RecordRoot(rootName, sub);
    if (!root) return 1;
    return RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ | view, key.put());
}

}  // namespace

std::vector<ViewedKey> OpenKeyViews(const std::string& fullPath, unsigned views) {
    tw::UniqueHKey key;
    if (!tw::RunsUnderWow64()) {
        std::vector<ViewedKey> keys;
        std::string sub = fullPath;
        const std::string root = CRegistryLib::SeperateMainKey(sub);
        if (CRegistryLib::OpenKey(root, sub, key.put()) == ERROR_SUCCESS)
            keys.push_back({std::move(key), fullPath, false});
        return keys;
    }
    tw::UniqueHKey view32;
    const bool has64 = OpenInView(fullPath, KEY_WOW64_64KEY, key) == ERROR_SUCCESS;
    const bool has32 = OpenInView(fullPath, KEY_WOW64_32KEY, view32) == ERROR_SUCCESS;
    const std::string name64 = has64 ? tw::KernelKeyName(key.get()) : std::string();
    const std::string name32 = has32 ? tw::KernelKeyName(view32.get()) : std::string();
    const bool shared = has64 && has32 && (name32.empty() || tw::EqualsNoCase(name32, name64));
    std::vector<ViewedKey> keys;
    // A key both views share (or one whose name cannot be told) is walked once, as a 64-bit key.
    if (has64 && (views & CRegistryLib::kView64 || shared)) keys.push_back({std::move(key), fullPath, true});
    if (!has32 || shared || name32.empty() || !(views & CRegistryLib::kView32)) return keys;
    const std::string physical = Wow6432NodePath(fullPath);
    tw::UniqueHKey byPath;
    if (physical.empty() || OpenInView(physical, KEY_WOW64_64KEY, byPath) != ERROR_SUCCESS ||
        !tw::EqualsNoCase(tw::KernelKeyName(byPath.get()), name32))
        return keys;
    keys.push_back({std::move(byPath), physical, false});
    return keys;
}

#include "registry/ScanSupport.h"

#include <vector>

void CategoryScan::Report(const std::string& keyPath, const RegValueEntry& entry, const std::string& item) {
    ErrorRecord r;
    r.SetCategory(category_.id);
    r.SetKeyPath(keyPath);
    r.SetValue(entry);
    r.SetFixKind(category_.fixKind);
    r.SetItem(item);
    lib_.Errors().push_back(std::move(r));
    ++found_;
}

bool CategoryScan::IsMissing(const std::string& path, const std::string& recordKeyPath) {
    bool ignored = false;
    if (lib_.CheckFile(path, 0, &ignored) == -1) return true;
    if (ignored) lib_.NoteIgnoredEntry(recordKeyPath);
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

LONG OpenKeyPath(const std::string& fullPath, tw::UniqueHKey& key) {
    std::string sub = fullPath;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    return CRegistryLib::OpenKey(root, sub, key.put());
}

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

void CategoryScan::Progress(const std::string& path) const {
    if (ScanProgressCallback cb = lib_.ProgressCallback()) cb(path, category_.progressText, examined_, found_);
}

void CategoryScan::AppendSummary(SummaryList& summaries) const {
    summaries.push_back({category_.summaryTitle, examined_, found_, 0});
}

WalkResult ForEachSubKey(HKEY key, const CategoryScan& scan, const std::function<void(const std::string&)>& visit) {
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return WalkResult::QueryFailed;
    std::vector<char> name(std::size_t{longest} + 1);
    for (DWORD index = 0;; ++index) {
        if (scan.StopRequested()) return WalkResult::Stopped;
        DWORD size = longest + 1;
        if (RegEnumKeyExA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return WalkResult::Completed;
        if (size == 0) continue;
        visit(std::string(name.data(), size));
    }
}

LONG OpenKeyPath(const std::string& fullPath, tw::UniqueHKey& key) {
    std::string sub = fullPath;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    return CRegistryLib::OpenKey(root, sub, key.put());
}

#include "platform/Files.h"
#include "registry/IgnoreFile.h"
#include "registry/RegistryLib.h"

const char kIgnoreFileName[] = "ignore.lst";

void CRegistryLib::LoadIgnoreList() {
    ignore_.clear();
    ignoreUnpaired_.clear();
    std::string bytes;
    if (!tw::ReadWholeFile(kIgnoreFileName, bytes)) return;
    for (ignorefile::Entry& e : ignorefile::Parse(bytes, &ignoreUnpaired_)) {
        ErrorRecord r;
        r.SetItem(std::move(e.item));
        r.SetCategory(std::move(e.category));
        ignore_.push_back(std::move(r));
    }
}

LONG CRegistryLib::SaveIgnoreList() {
    std::vector<ignorefile::Entry> entries;
    entries.reserve(ignore_.size());
    for (const ErrorRecord& r : ignore_) entries.push_back({r.Item(), r.Category()});
    return static_cast<LONG>(tw::ReplaceFileContents(kIgnoreFileName, ignorefile::Serialize(entries, ignoreUnpaired_)));
}

bool CRegistryLib::IsIgnored(const std::string& path) const {
    for (const ErrorRecord& r : ignore_)
        if (r.Item() == path) return true;
    return false;
}

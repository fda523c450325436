#include "app/ResultRows.h"

#include "registry/Categories.h"

std::vector<std::string> RegistryRowTexts(const ErrorRecord& record) {
    const CategoryInfo* category = FindCategory(record.Category());
    std::string location = record.KeyPath();
    if (record.FixKind() == "KEY")
        location += " (whole key)";
    else if (const RegValueEntry* value = record.Value())
        location += ", value \"" + value->name + "\"";
    return {category ? category->summaryTitle : record.Category(), record.Item(), location};
}

std::vector<std::string> ShortcutRowTexts(const std::string& linkPath) {
    const std::size_t slash = linkPath.find_last_of("\\/");
    if (slash == std::string::npos) return {kBrokenShortcutsTitle, linkPath, std::string()};
    // A link at a drive's root keeps its backslash: "C:" alone names the current folder there.
    const std::size_t folderEnd = slash > 0 && linkPath[slash - 1] == ':' ? slash + 1 : slash;
    return {kBrokenShortcutsTitle, linkPath.substr(slash + 1), linkPath.substr(0, folderEnd)};
}

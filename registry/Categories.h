// The registry categories in the order a scan runs them, with the texts each one reports.
#pragma once

#include <cstddef>
#include <string>

struct CategoryInfo {
    int number;                 // 1..9, the scan order
    const char* id;             // what ErrorRecord::Category() holds
    const char* fixKind;        // "KEY" or "VAL"
    int selectionField;         // index into ScanSelection::field
    const char* progressText;   // status text passed to the progress callback
    const char* summaryTitle;   // CategorySummary::title
};

constexpr std::size_t kRegistryCategoryCount = 9;

// Indexed 0..8; every category has a progress text and a summary title of its own.
extern const CategoryInfo kRegistryCategories[kRegistryCategoryCount];

// The category a record's identifier names (any letter case), or null.
const CategoryInfo* FindCategory(const std::string& id);

// Category identifier of broken shortcut files (result list and ignore list only).
extern const char kShortcutCategory[];

// Identifier (any letter case, "SHORTCUT" included) -> selection field, or -1 when unknown.
int SelectionFieldForCategory(const char* id);

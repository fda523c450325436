// The registry categories in the order a scan runs them, with the texts each one reports.
#pragma once

#include <cstddef>

struct CategoryInfo {
    int number;                 // 1..9, the scan order
    const char* id;             // what ErrorRecord::Category() holds
    const char* fixKind;        // "KEY" or "VAL"
    int selectionField;         // index into ScanSelection::field
    const char* statusElement;  // the lamp lit while the category runs
    const char* progressText;   // status text passed to the progress callback
    const char* summaryTitle;   // CategorySummary::title
};

constexpr std::size_t kRegistryCategoryCount = 9;

// Indexed 0..8; several categories share a progress text or a summary title on purpose.
extern const CategoryInfo kRegistryCategories[kRegistryCategoryCount];

// Category identifier of broken shortcut files (result list and ignore list only).
extern const char kShortcutCategory[];

// Identifier (any letter case, "SHORTCUT" included) -> selection field, or -1 when unknown.
int SelectionFieldForCategory(const char* id);

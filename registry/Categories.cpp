#include "registry/Categories.h"

#include "registry/ErrorRecord.h"

#include "platform/Text.h"

const CategoryInfo kRegistryCategories[kRegistryCategoryCount] = {
    {1, "CLSID", "KEY", ScanSelection::kClassRegistrations, "Scanning CLSID", "Invalid CLSID"},
    {2, "SharedFile", "VAL", ScanSelection::kSharedDlls, "Scanning Shared Files", "Corrupt Shared Files"},
    {3, "VxD", "VAL", ScanSelection::kDrivers, "Scanning VXD", "Corrupt Drivers"},
    {4, "Help", "VAL", ScanSelection::kHelpFiles, "Scanning Help Files", "Corrupt Help Files"},
    {5, "APPPath", "KEY", ScanSelection::kAppPaths, "Scanning Application Paths", "Invalid Application Paths"},
    {6, "SharedTools", "KEY", ScanSelection::kSharedTools, "Scanning Shared Tools", "Invalid Shared Tools"},
    {7, "font", "VAL", ScanSelection::kFonts, "Scanning Fonts", "Corrupt Fonts"},
    {8, "Startup", "VAL", ScanSelection::kStartup, "Scanning Startup Entries", "Invalid Startup Entries"},
    {9, "Uninstall", "VAL", ScanSelection::kUninstall, "Scanning Uninstall Entries", "Invalid Uninstall Entries"},
};

const char kShortcutCategory[] = "SHORTCUT";

const CategoryInfo* FindCategory(const std::string& id) {
    for (const CategoryInfo& c : kRegistryCategories)
        if (tw::EqualsNoCase(id, c.id)) return &c;
    return nullptr;
}

int SelectionFieldForCategory(const char* id) {
    if (!id) return -1;
    for (const CategoryInfo& c : kRegistryCategories)
        if (tw::EqualsNoCase(id, c.id)) return c.selectionField;
    if (tw::EqualsNoCase(id, kShortcutCategory)) return ScanSelection::kShortcuts;
    return -1;
}

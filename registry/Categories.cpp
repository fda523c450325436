#include "registry/Categories.h"

#include "registry/ErrorRecord.h"

#include "platform/Text.h"

const CategoryInfo kRegistryCategories[kRegistryCategoryCount] = {
    {1, "CLSID", "KEY", ScanSelection::kClassRegistrations, "BUTTON_STATUS1", "Scanning CLSID",
     "Invalid CLSID"},
    {2, "SharedFile", "VAL", ScanSelection::kSharedDlls, "BUTTON_STATUS2", "Scanning Shared Files",
     "Corrupt Shared Files"},
    {3, "VxD", "VAL", ScanSelection::kDrivers, "BUTTON_STATUS3", "Scanning VXD", "Corrupt Fonts"},
    {4, "Help", "VAL", ScanSelection::kHelpFiles, "BUTTON_STATUS4", "Scanning Help Files",
     "Corrupt Help Files"},
    {5, "APPPath", "KEY", ScanSelection::kAppPaths, "BUTTON_STATUS5", "Scanning Help Files",
     "Corrupt Help Files"},
    {6, "SharedTools", "KEY", ScanSelection::kSharedTools, "BUTTON_STATUS6", "Scanning Shared Tools",
     "Invalid Shared Tools"},
    {7, "font", "VAL", ScanSelection::kFonts, "BUTTON_STATUS7", "Scanning Fonts", "Corrupt Fonts"},
    {8, "Startup", "VAL", ScanSelection::kStartup, "BUTTON_STATUS8", "Scanning Fonts",
     "Corrupt Fonts"},
    {9, "Uninstall", "VAL", ScanSelection::kUninstall, "BUTTON_STATUS9", "Scanning Help Files",
     "Corrupt Help Files"},
};

const char kShortcutCategory[] = "SHORTCUT";

int SelectionFieldForCategory(const char* id) {
    if (!id) return -1;
    for (const CategoryInfo& c : kRegistryCategories)
        if (tw::EqualsNoCase(id, c.id)) return c.selectionField;
    if (tw::EqualsNoCase(id, kShortcutCategory)) return ScanSelection::kShortcuts;
    return -1;
}

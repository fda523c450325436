#include "pages/CategorySelection.h"

#include <cstddef>

const char* const kSelectionButtons[14] = {
    "BUTTON_ALL",     "BUTTON_REGISTRY",     "BUTTON_COM",   "BUTTON_COM_SUBS", "BUTTON_DRV",
    "BUTTON_HELP",    "BUTTON_APPPATH",      "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP",
    "BUTTON_SHORTCUTS", "BUTTON_UNINSTALL", "BUTTON_VXD",  "BUTTON_MSDOS"};

namespace {

constexpr std::size_t kCount = sizeof kSelectionButtons / sizeof kSelectionButtons[0];

bool Usable(const std::string& stored) {
    if (stored.size() != kCount) return false;
    for (char c : stored)
        if (c != '0' && c != '1') return false;
    return true;
}

}  // namespace

bool IsSelectionButton(const std::string& name) {
    for (const char* button : kSelectionButtons)
        if (name == button) return true;
    return false;
}

void RestoreCategorySelection(Settings& settings, SettingsElements& page) {
    std::string stored;
    if (!settings.ReadText(kCategorySelectionValue, stored) || !Usable(stored)) stored.assign(kCount, '1');
    for (std::size_t i = 0; i < kCount; ++i) page.SetButtonChecked(kSelectionButtons[i], stored[i] == '1');
}

void StoreCategorySelection(Settings& settings, const SettingsElements& page) {
    std::string stored;
    for (const char* button : kSelectionButtons) stored += page.GetButtonChecked(button) ? '1' : '0';
    settings.WriteText(kCategorySelectionValue, stored);
}

// The scan categories the user ticked, remembered between runs in the product settings key as
// the value "scancategories": one character per button of kSelectionButtons, '1' ticked, '0' not.
// Without a usable value (a first start, or a value someone spoiled) every category is ticked,
// so a scan that starts on its own never runs with nothing selected.
#pragma once

#include "settings/Settings.h"

#include <string>

inline constexpr const char kCategorySelectionValue[] = "scancategories";

// "BUTTON_ALL", then every category button, in a fixed order (the order of the stored characters).
extern const char* const kSelectionButtons[14];

// True for "BUTTON_ALL" and the category buttons.
bool IsSelectionButton(const std::string& name);

// The buttons take the stored selection, or all ticked without one. Buttons the page lacks are
// left alone.
void RestoreCategorySelection(Settings& settings, SettingsElements& page);
// Stores the buttons' states (a button the page lacks counts as unticked).
void StoreCategorySelection(Settings& settings, const SettingsElements& page);

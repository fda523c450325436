#include "settings/Settings.h"

void Settings::ReadFlagInto(SettingsElements& page, const SettingFlag& flag) {
    page.SetButtonChecked(flag.button, ReadFlag(flag.value));
}

void Settings::WriteFlagFrom(const SettingsElements& page, const SettingFlag& flag) {
    WriteFlag(flag.value, page.GetButtonChecked(flag.button) != 0);
}

void Settings::ReadTextInto(SettingsElements& page, const std::string& value, const std::string& edit) {
    std::string text;
    if (ReadText(value, text)) page.SetEditByName(edit, text);
}

void Settings::WriteTextFrom(const SettingsElements& page, const std::string& value, const std::string& edit) {
    std::string text = page.GetEditByName(edit);
    if (!text.empty()) WriteText(value, text);
}

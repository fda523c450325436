// A page of the main screen: a skinned panel whose buttons edit the settings, the schedule, the
// scan categories and the ignore list. Its check buttons are what the settings read and write
// (SettingsElements). Main thread only, except the two notices a scan sends (SetStatus,
// EnableScanButton), which follow the element rule of SkinElementSet.h.
#pragma once

#include "platform/Notifier.h"
#include "settings/ScanSchedule.h"
#include "settings/Settings.h"
#include "skin/SkinPanel.h"

#include <string>

inline constexpr const char kIgnoredPage[] = "SUBMAIN_IGNORED";

// What a page asks of the screen that holds it.
class PageScreen : public ScheduleActions {
public:
    // Every page's "BUTTON_AUTOSCAN_ENABLE" shows the automatic-scan switch.
    virtual void ShowScheduleSwitch(bool on) = 0;
    // A page's own "BUTTON_SCAN" (a skin of the user's own may put one on a page), with no scan
    // running: the application opens its quick-scan window; a screen without one scans itself.
    virtual void StartQuickScan() { PressButton("BUTTON_SCAN"); }
    // The settings page's "BUTTON_BACKUPS": the window that lists the backups, where there is one.
    virtual void ShowBackups() {}
};

class CSubMainSkin : public SkinPanel, public SettingsElements {
public:
    CSubMainSkin(Settings& settings, ScanSchedule& schedule, PageScreen& screen, tw::Notifier& notifier);

    // Buttons and edit boxes of this page by name.
    int GetButtonChecked(const std::string& name) const override { return SkinElementSet::GetButtonChecked(name); }
    void SetButtonChecked(const std::string& name, bool checked) override {
        SkinElementSet::SetButtonChecked(name, checked);
    }
    std::string GetEditByName(const std::string& name) const override { return SkinElementSet::GetEditByName(name); }
    void SetEditByName(const std::string& name, const std::string& text) override {
        SkinElementSet::SetEditByName(name, text);
    }

    // Once the elements exist: the settings into the buttons (the schedule page also sets the
    // auto-scan switch), the remembered scan categories, and the ignore list into the ignored
    // page's list. True when the "autoscan" setting asks for a scan as soon as the screen is up.
    bool LoadSettings();

    void ButtonPressed(std::string name) override;

    // The ignore list as the file holds it, one row per entry: no text (the tick), type, path.
    void RefillIgnoredList();

    // What a running scan tells the page.
    void SetStatus(const std::string& text) { SetTextByName("TEXT_SUBMAIN_STATUS", text); }
    void EnableScanButton() { EnableButton("BUTTON_SCAN", true); }

protected:
    // "BUTTON_SCAN" with no scan running: the scan itself is the main screen's business.
    virtual void StartScan() { screen_.StartQuickScan(); }

private:
    void Toggle(const std::string& name);
    void ToggleAll();
    void DeleteTickedIgnored();
    void SelectAllIgnored();

    Settings& settings_;
    ScanSchedule& schedule_;
    PageScreen& screen_;
    tw::Notifier& notifier_;
};

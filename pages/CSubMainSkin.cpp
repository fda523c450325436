#include "pages/CSubMainSkin.h"

#include "pages/CategorySelection.h"
#include "registry/RegistryLib.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace {

// The buttons a press simply turns over.
const char* const kToggled[] = {"BUTTON_STARTUP",  "BUTTON_REGISTRY", "BUTTON_COM",          "BUTTON_COM_SUBS",
                                "BUTTON_DRV",      "BUTTON_HELP",     "BUTTON_APPPATH",      "BUTTON_SHARED_TOOLS",
                                "BUTTON_FONTS",    "BUTTON_SHORTCUTS", "BUTTON_UNINSTALL",   "BUTTON_VXD",
                                "BUTTON_MSDOS"};

// The five buttons of the schedule pages that choose the period.
const char* const kScheduleButtons[] = {"BUTTON_START_EVERY", "BUTTON_START_AFTER_EVERY",
                                        "BUTTON_START_AFTER_EVERY_MONTH", "BUTTON_START_AFTER_EVERY_WEEK",
                                        "BUTTON_START_AFTER_EVERY_DAY"};

bool OneOf(const std::string& name, const char* const* names, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (name == names[i]) return true;
    return false;
}

const char kIgnoreNotSaved[] = "The ignore list could not be saved; it is unchanged.";

}  // namespace

CSubMainSkin::CSubMainSkin(Settings& settings, ScanSchedule& schedule, PageScreen& screen,
                           tw::Notifier& notifier)
    : settings_(settings), schedule_(schedule), screen_(screen), notifier_(notifier) {}

bool CSubMainSkin::LoadSettings() {
    using namespace settingflags;
    if (SkinName() == kScheduleEnabledPage) {
        settings_.ReadFlagInto(*this, EnableScan);
        schedule_.SetSwitch(GetButtonChecked(EnableScan.button) != 0);
        for (const SettingFlag* flag : {&ScanMonth, &ScanWeek, &ScanDay}) settings_.ReadFlagInto(*this, *flag);
    }
    for (const SettingFlag* flag : {&AutoScan, &SaveReg, &RestoreBackupReg, &ScanEvery, &ScanAfterEvery})
        settings_.ReadFlagInto(*this, *flag);
    settings_.ReadTextInto(*this, kBackupCountValue, kBackupCountEdit);
    // Every repair is backed up, whatever "savereg" holds: the box shows so and cannot be changed
    // (the value itself is kept as it is).
    if (SkinButton* backup = FindButton(SaveReg.button)) {
        backup->SetGreyedWhenDisabled(true);
        backup->SetChecked(true);
        backup->SetEnabled(false);
    }
    // The start-up category takes no preset of its own: it is part of the remembered selection.
    if (FindButton(kSelectionButtons[0])) RestoreCategorySelection(settings_, *this);
    if (SkinName() == kIgnoredPage) RefillIgnoredList();
    return settings_.ReadFlag(AutoScan.value);
}

void CSubMainSkin::Toggle(const std::string& name) { SetButtonChecked(name, !GetButtonChecked(name)); }

void CSubMainSkin::ToggleAll() {
    const bool on = !GetButtonChecked("BUTTON_ALL");
    for (const char* name : kSelectionButtons) SetButtonChecked(name, on);
}

void CSubMainSkin::ButtonPressed(std::string name) {
    if (screen_.ScanRunning()) return;
    settings_.WriteTextFrom(*this, kBackupCountValue, kBackupCountEdit);

    if (name == "BUTTON_SCAN") {
        StartScan();
    } else if (name == "BUTTON_SHOW_SCAN_SUMMARY") {
        screen_.ShowPage("SUBMAIN_SCAN_SUMMARY");
    } else if (name == "BUTTON_SHOW_SCAN_RESULT") {
        screen_.ShowPage("SUBMAIN_RESULT");
    } else if (name == settingflags::AutoScan.button || name == settingflags::SaveReg.button) {
        Toggle(name);
        settings_.WriteFlagFrom(*this, name == settingflags::AutoScan.button ? settingflags::AutoScan
                                                                             : settingflags::SaveReg);
    } else if (OneOf(name, kToggled, std::size(kToggled))) {
        Toggle(name);
    } else if (name == "BUTTON_ALL") {
        ToggleAll();
    } else if (name == "BUTTON_BACKUPS") {
        screen_.ShowBackups();
    } else if (name == "BUTTON_IGNORED_DELETE") {
        DeleteTickedIgnored();
    } else if (name == "BUTTON_IGNORED_SEL_ALL") {
        SelectAllIgnored();
    } else if (OneOf(name, kScheduleButtons, std::size(kScheduleButtons)) && !schedule_.Switch()) {
        Toggle(name);  // with automatic scans off the schedule buttons are plain check boxes
    }
    if (IsSelectionButton(name)) StoreCategorySelection(settings_, *this);
    // The switch, and with the switch on the period buttons as radio groups and the schedule.
    schedule_.ButtonPressed(name, *this);
    // Both schedule pages carry the switch: the one shown next must not show it as it was.
    if (name == settingflags::EnableScan.button) screen_.ShowScheduleSwitch(schedule_.Switch());
}

void CSubMainSkin::RefillIgnoredList() {
    SkinCheckList* list = List();
    if (!list) return;
    list->DeleteAll();
    CRegistryLib lib;
    lib.LoadIgnoreList();
    for (const ErrorRecord& entry : lib.IgnoreList()) {
        int row = list->InsertRow(list->Count(), "");
        list->SetCell(row, 1, entry.Category());
        list->SetCell(row, 2, entry.Item());
    }
}

void CSubMainSkin::DeleteTickedIgnored() {
    SkinCheckList* list = List();
    if (!list) return;
    CRegistryLib lib;
    lib.LoadIgnoreList();
    ErrorList& entries = lib.IgnoreList();
    // A row names the entry at its index; one whose entry has changed since the list was filled
    // (another run rewrote the file) is left in the file rather than deleting something else.
    std::vector<bool> drop(entries.size(), false);
    bool any = false;
    const int rows = list->Count();
    for (int row = 0; row < rows && row < static_cast<int>(entries.size()); ++row) {
        const ErrorRecord& e = entries[row];
        if (list->Checked(row) && list->Cell(row, 1) == e.Category() && list->Cell(row, 2) == e.Item())
            drop[row] = any = true;
    }
    if (any) {
        ErrorList kept;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (!drop[i]) kept.push_back(std::move(entries[i]));
        entries = std::move(kept);
        if (lib.SaveIgnoreList() != 0) notifier_.Notify(kIgnoreNotSaved);
    }
    RefillIgnoredList();
}

void CSubMainSkin::SelectAllIgnored() {
    Toggle("BUTTON_IGNORED_SEL_ALL");
    if (SkinCheckList* list = List()) list->SetAllChecked(GetButtonChecked("BUTTON_IGNORED_SEL_ALL") != 0);
}

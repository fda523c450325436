// The user's settings: values of the product settings key HKEY_LOCAL_MACHINE\Software\TIDEWARP.
// There is no settings object in memory; pages read values when they are built and write them when a
// button changes. Every failure is silent and reads as the default (0, off, no text).
#pragma once

#include "settings/SettingsElements.h"

#include <cstdint>
#include <string>

// A check button mirrored by a value: REG_SZ "1" while the button is on, no value while it is off.
// Any readable string value reads as on, whatever it holds.
struct SettingFlag {
    const char* value;   // e.g. "enablescan"
    const char* button;  // e.g. "BUTTON_AUTOSCAN_ENABLE"
};

namespace settingflags {
inline constexpr SettingFlag EnableScan{"enablescan", "BUTTON_AUTOSCAN_ENABLE"};
inline constexpr SettingFlag ScanEvery{"scanevery", "BUTTON_START_EVERY"};
inline constexpr SettingFlag ScanAfterEvery{"scanafterevery", "BUTTON_START_AFTER_EVERY"};
inline constexpr SettingFlag ScanMonth{"scanmonth", "BUTTON_START_AFTER_EVERY_MONTH"};
inline constexpr SettingFlag ScanWeek{"scanweek", "BUTTON_START_AFTER_EVERY_WEEK"};
inline constexpr SettingFlag ScanDay{"scanday", "BUTTON_START_AFTER_EVERY_DAY"};
inline constexpr SettingFlag AutoScan{"autoscan", "BUTTON_AUTOSCAN"};
inline constexpr SettingFlag SaveReg{"savereg", "BUTTON_BACKUP"};
inline constexpr SettingFlag RestoreBackupReg{"restorebackupreg", "BUTTON_RESTOREBACKUP"};
}  // namespace settingflags

// The backup count text of the advanced page.
inline constexpr const char kBackupCountValue[] = "savecountreg";
inline constexpr const char kBackupCountEdit[] = "EDIT_BAKUP_COUNT";

// The schedule's two numbers (REG_DWORD): low 32 bits of the next scan time and of the period.
inline constexpr const char kScanNextValue[] = "scannext";
inline constexpr const char kScanPeriodValue[] = "scanperiod";

class Settings {
public:
    virtual ~Settings() = default;

    // REG_DWORD; 0 when missing or of another type.
    virtual std::uint32_t ReadNumber(const std::string& name) = 0;
    virtual void WriteNumber(const std::string& name, std::uint32_t value) = 0;
    // On when a readable string value exists.
    virtual bool ReadFlag(const std::string& name) = 0;
    // On stores REG_SZ "1"; off deletes the value.
    virtual void WriteFlag(const std::string& name, bool on) = 0;
    // False (text untouched) when there is no readable string value.
    virtual bool ReadText(const std::string& name, std::string& text) = 0;
    // Stores REG_SZ; an empty text stores nothing.
    virtual void WriteText(const std::string& name, const std::string& text) = 0;

    // The button takes the flag's state.
    void ReadFlagInto(SettingsElements& page, const SettingFlag& flag);
    // The flag takes the button's state (a page without the button stores off).
    void WriteFlagFrom(const SettingsElements& page, const SettingFlag& flag);
    // The edit box takes the stored text; without a stored text it keeps the text it has.
    void ReadTextInto(SettingsElements& page, const std::string& value, const std::string& edit);
    // The edit box's text is stored when it is not empty.
    void WriteTextFrom(const SettingsElements& page, const std::string& value, const std::string& edit);
};

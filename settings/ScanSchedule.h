// The automatic scan schedule: when the next automatic scan is due and how often scans come. The
// main window ticks it every 10 seconds; the schedule pages load it, apply their buttons to it and
// save it at exit. Time and the local calendar are handed in, so the arithmetic runs anywhere.
#pragma once

#include "settings/Settings.h"

#include <cstdint>
#include <functional>
#include <string>

// Seconds since 1 January 1970 UTC.
using ScheduleTime = std::int64_t;

struct ScheduleClock {
    std::function<ScheduleTime()> now;
    // The UTC time of a local calendar time (year, month 1-12, day, hour, minute, second).
    std::function<ScheduleTime(int, int, int, int, int, int)> fromLocal;
};

// The C library's clock and local time zone.
ScheduleClock SystemScheduleClock();

// What the schedule asks of the main window.
class ScheduleActions {
public:
    virtual ~ScheduleActions() = default;
    virtual void ShowPage(const std::string& page) = 0;
    // As if the user had pressed the main screen's button of that name ("BUTTON_SCAN").
    virtual void PressButton(const std::string& name) = 0;
    virtual bool ScanRunning() const = 0;
    // The timer's scan once it is due, with the switch on and no scan running.
    virtual void AutomaticScanDue() { PressButton("BUTTON_SCAN"); }
};

inline constexpr ScheduleTime kDefaultScanPeriod = 86460;  // a day and a minute
inline constexpr ScheduleTime kSmallestStoredPeriod = 60;
inline constexpr ScheduleTime kSmallestTimerPeriod = 180;
inline constexpr ScheduleTime kDay = 86400;

inline constexpr const char kScheduleEnabledPage[] = "SUBMAIN_SCHEDULE";
inline constexpr const char kScheduleDisabledPage[] = "SUBMAIN_SCHEDULE_DISABLED";
inline constexpr const char kScanPeriodEdit[] = "EDIT_SCAN_PERIOD";

class ScanSchedule {
public:
    ScanSchedule(Settings& settings, ScheduleActions& actions, ScheduleClock clock);

    // Reads "scannext" and "scanperiod"; a period under 60 s becomes the default, and a next time
    // before 1 January 2000 01:01:01 local (never scheduled) becomes now plus the period.
    void Load();
    // Writes the low 32 bits of both numbers.
    void Save();

    // A page's button press. The switch button toggles the switch; while the switch is on, the
    // five schedule buttons act as radio groups and the page's choice becomes the schedule.
    // True when the name was one of the six buttons.
    bool ButtonPressed(const std::string& name, SettingsElements& page);

    // The page's choice: the period from its buttons (or its period text, in minutes), next scan
    // now plus that period; both numbers and the five buttons' flags are stored.
    void ApplyPage(SettingsElements& page);

    // The switch flips; the matching schedule page is shown, the page's switch button follows and
    // "enablescan" is stored.
    void ToggleSwitch(SettingsElements& page);

    // The 10-second timer: once the next scan time has passed the schedule moves on by one period
    // (even with the switch off, so switching on never starts an overdue scan at once) and, with
    // the switch on and no scan running, starts the automatic scan (AutomaticScanDue).
    void Tick();

    // The switch as the schedule page loads it from "enablescan".
    void SetSwitch(bool on) { switch_ = on; }
    bool Switch() const { return switch_; }

    ScheduleTime NextScan() const { return next_; }
    ScheduleTime Period() const { return period_; }

private:
    void Advance(ScheduleTime now);

    Settings& settings_;
    ScheduleActions& actions_;
    ScheduleClock clock_;
    ScheduleTime next_ = 0;
    ScheduleTime period_ = 0;
    bool switch_ = true;
};

// The whole minutes a period text gives, read like atoi: leading blanks, a sign, the leading
// digits; 0 without digits. Values beyond a 32-bit int stop at its limits.
std::int64_t PeriodMinutes(const std::string& text);

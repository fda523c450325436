#include "settings/ScanSchedule.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <ctime>
#include <utility>

namespace {

const char kEvery[] = "BUTTON_START_EVERY";
const char kAfterEvery[] = "BUTTON_START_AFTER_EVERY";

// The period buttons under "start after every", in the order they are applied.
struct PeriodButton {
    const char* name;
    ScheduleTime period;
};
const PeriodButton kPeriodButtons[] = {
    {"BUTTON_START_AFTER_EVERY_MONTH", 31 * kDay},
    {"BUTTON_START_AFTER_EVERY_WEEK", 7 * kDay},
    {"BUTTON_START_AFTER_EVERY_DAY", kDay},
};

const SettingFlag* const kPageFlags[] = {&settingflags::ScanEvery, &settingflags::ScanAfterEvery,
                                         &settingflags::ScanMonth, &settingflags::ScanWeek,
                                         &settingflags::ScanDay};

bool IsPeriodButton(const std::string& name) {
    for (const PeriodButton& b : kPeriodButtons)
        if (name == b.name) return true;
    return false;
}

// The radio groups, applied before the page's choice is taken.
void ApplyRadio(const std::string& pressed, SettingsElements& page) {
    if (pressed == kEvery) {
        page.SetButtonChecked(kAfterEvery, false);
        page.SetButtonChecked(kEvery, true);
    } else if (pressed == kAfterEvery) {
        page.SetButtonChecked(kEvery, false);
        page.SetButtonChecked(kAfterEvery, true);
    } else {
        page.SetButtonChecked(kEvery, false);
        page.SetButtonChecked(kAfterEvery, true);
        for (const PeriodButton& b : kPeriodButtons) page.SetButtonChecked(b.name, pressed == b.name);
    }
}

}  // namespace

ScheduleClock SystemScheduleClock() {
    ScheduleClock clock;
    clock.now = [] { return static_cast<ScheduleTime>(std::time(nullptr)); };
    clock.fromLocal = [](int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        t.tm_isdst = -1;
        return static_cast<ScheduleTime>(std::mktime(&t));
    };
    return clock;
}

std::int64_t PeriodMinutes(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), limit);
    return negative ? -value : value;
}

ScanSchedule::ScanSchedule(Settings& settings, ScheduleActions& actions, ScheduleClock clock)
    : settings_(settings), actions_(actions), clock_(std::move(clock)) {}

void ScanSchedule::Advance(ScheduleTime now) {
    if (period_ < kSmallestTimerPeriod) period_ = kDefaultScanPeriod;
    next_ = now + period_;
}

void ScanSchedule::Load() {
    next_ = settings_.ReadNumber(kScanNextValue);
    period_ = settings_.ReadNumber(kScanPeriodValue);
    if (period_ < kSmallestStoredPeriod) period_ = kDefaultScanPeriod;
    if (next_ < clock_.fromLocal(2000, 1, 1, 1, 1, 1)) Advance(clock_.now());
}

void ScanSchedule::Save() {
    settings_.WriteNumber(kScanNextValue, static_cast<std::uint32_t>(next_));
    settings_.WriteNumber(kScanPeriodValue, static_cast<std::uint32_t>(period_));
}

bool ScanSchedule::ButtonPressed(const std::string& name, SettingsElements& page) {
    if (name == settingflags::EnableScan.button) {
        ToggleSwitch(page);
        return true;
    }
    if (name != kEvery && name != kAfterEvery && !IsPeriodButton(name)) return false;
    if (switch_) {
        ApplyRadio(name, page);
        ApplyPage(page);
    }
    return true;
}

void ScanSchedule::ApplyPage(SettingsElements& page) {
    next_ = clock_.now();
    if (page.GetButtonChecked(kAfterEvery)) {
        for (const PeriodButton& b : kPeriodButtons)
            if (page.GetButtonChecked(b.name)) period_ = b.period;
    } else if (page.GetButtonChecked(kEvery)) {
        period_ = PeriodMinutes(page.GetEditByName(kScanPeriodEdit)) * 60;
    }
    if (period_ < kSmallestStoredPeriod) period_ = kSmallestStoredPeriod;
    next_ += period_;
    Save();
    for (const SettingFlag* flag : kPageFlags) settings_.WriteFlagFrom(page, *flag);
}

void ScanSchedule::ToggleSwitch(SettingsElements& page) {
    switch_ = !switch_;
    actions_.ShowPage(switch_ ? kScheduleEnabledPage : kScheduleDisabledPage);
    page.SetButtonChecked(settingflags::EnableScan.button, switch_);
    settings_.WriteFlag(settingflags::EnableScan.value, switch_);
}

void ScanSchedule::Tick() {
    ScheduleTime now = clock_.now();
    if (now <= next_) return;
    Advance(now);
    if (switch_ && !actions_.ScanRunning()) actions_.AutomaticScanDue();
}

// The automatic scan schedule with a hand-set clock, settings kept in memory and a page of named
// check states.
#include "doctest.h"

#include "settings/ScanSchedule.h"
#include "settings_page.h"

#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

namespace {

struct MemorySettings : Settings {
    std::map<std::string, std::uint32_t> numbers;
    std::map<std::string, std::string> strings;
    std::uint32_t ReadNumber(const std::string& n) override { return numbers.count(n) ? numbers[n] : 0; }
    void WriteNumber(const std::string& n, std::uint32_t v) override { numbers[n] = v; }
    bool ReadFlag(const std::string& n) override { return strings.count(n) != 0; }
    void WriteFlag(const std::string& n, bool on) override { on ? void(strings[n] = "1") : void(strings.erase(n)); }
    bool ReadText(const std::string& n, std::string& t) override { return strings.count(n) && (t = strings[n], true); }
    void WriteText(const std::string& n, const std::string& t) override { if (!t.empty()) strings[n] = t; }
};

struct Actions : ScheduleActions {
    std::vector<std::string> shown, pressed;
    bool running = false;
    void ShowPage(const std::string& p) override { shown.push_back(p); }
    void PressButton(const std::string& n) override { pressed.push_back(n); }
    bool ScanRunning() const override { return running; }
};

// 1 January 2000 01:01:01 at UTC+1, the local time zone of these tests.
const ScheduleTime kY2K = 946688461 - 3600;
const ScheduleTime kStart = 1700000000;

struct Fixture {
    MemorySettings settings;
    Actions actions;
    TestPage page;
    ScheduleTime now = kStart;
    ScanSchedule schedule{settings, actions,
                          ScheduleClock{[this] { return now; }, [](int y, int mo, int d, int h, int mi, int s) {
                                            CHECK((y == 2000 && mo == 1 && d == 1 && h == 1 && mi == 1 && s == 1));
                                            return kY2K;
                                        }}};
    ScanSchedule& Loaded(std::uint32_t next, std::uint32_t period) {
        settings.numbers = {{"scannext", next}, {"scanperiod", period}};
        schedule.Load();
        return schedule;
    }
};

}  // namespace

TEST_CASE("loading: first start, old and future times, short periods, the 32-bit store") {
    Fixture f;
    f.schedule.Load();  // nothing stored
    CHECK(f.schedule.Period() == 86460);
    CHECK(f.schedule.NextScan() == kStart + 86460);

    CHECK(f.Loaded(kY2K - 1, 3600).NextScan() == kStart + 3600);  // before 2000 (local): rescheduled
    CHECK(f.Loaded(kY2K, 3600).NextScan() == kY2K);               // from that second on it stays
    CHECK(f.Loaded(kY2K, 59).Period() == 86460);
    CHECK(f.Loaded(kY2K, 60).Period() == 60);
    CHECK(f.Loaded(0, 100).Period() == 86460);  // rescheduling uses the timer's 180 s minimum

    // Past 2038 fits the unsigned 32 bits; past 2106 only the low half is kept, which reads as a
    // time before 2000 and is rescheduled rather than taken literally.
    const ScheduleTime y2040 = 2208988800;
    f.Loaded(static_cast<std::uint32_t>(y2040), 3600);
    f.schedule.Save();
    CHECK(f.Loaded(f.settings.numbers["scannext"], 3600).NextScan() == y2040);
    f.settings.numbers.clear();
    f.schedule.Load();
    f.now = (ScheduleTime{1} << 32) + 1000;
    f.schedule.Tick();
    f.schedule.Save();
    CHECK(f.settings.numbers["scannext"] == 1000 + 86460);
    f.now = kStart;
    CHECK(f.Loaded(f.settings.numbers["scannext"], 86460).NextScan() == kStart + 86460);
}

TEST_CASE("timer: nothing until the time has passed, then one scan and the next period") {
    Fixture f;
    f.Loaded(kStart - 1000, 3600);  // after 2000 but already past
    f.now = kStart - 1000;
    f.schedule.Tick();
    CHECK(f.actions.pressed.empty());  // not strictly later
    f.now = kStart;
    f.schedule.Tick();
    CHECK(f.actions.pressed == std::vector<std::string>{"BUTTON_SCAN"});
    CHECK(f.schedule.NextScan() == kStart + 3600);

    f.now += 3601;
    f.actions.running = true;
    f.schedule.Tick();
    f.actions.running = false;
    f.schedule.SetSwitch(false);
    f.now += 3601;
    f.schedule.Tick();
    CHECK(f.actions.pressed.size() == 1);  // neither during a scan nor with the switch off ...
    CHECK(f.schedule.NextScan() == f.now + 3600);  // ... yet the schedule moved on both times

    CHECK(f.Loaded(0, 180).Period() == 180);
}

TEST_CASE("the page: radio groups, periods from buttons and minutes, flags stored") {
    Fixture f;
    f.schedule.Load();
    f.page.checks = {{"BUTTON_START_EVERY", 1}, {"BUTTON_START_AFTER_EVERY_WEEK", 1}};
    CHECK(f.schedule.ButtonPressed("BUTTON_START_AFTER_EVERY_MONTH", f.page));
    CHECK(f.page.checks == std::map<std::string, int>{{"BUTTON_START_EVERY", 0},
                                                      {"BUTTON_START_AFTER_EVERY", 1},
                                                      {"BUTTON_START_AFTER_EVERY_MONTH", 1},
                                                      {"BUTTON_START_AFTER_EVERY_WEEK", 0},
                                                      {"BUTTON_START_AFTER_EVERY_DAY", 0}});
    CHECK(f.schedule.Period() == 31 * 86400);
    CHECK(f.settings.numbers["scannext"] == kStart + 31 * 86400);
    CHECK(f.settings.strings == std::map<std::string, std::string>{{"scanafterevery", "1"}, {"scanmonth", "1"}});

    f.page.checks["BUTTON_START_AFTER_EVERY_WEEK"] = f.page.checks["BUTTON_START_AFTER_EVERY_DAY"] = 1;
    f.schedule.ApplyPage(f.page);  // several on: the last one, day, wins
    CHECK(f.schedule.Period() == 86400);

    f.page.edits["EDIT_SCAN_PERIOD"] = " 15 minutes";
    f.schedule.ButtonPressed("BUTTON_START_EVERY", f.page);
    CHECK(f.page.checks["BUTTON_START_AFTER_EVERY"] == 0);
    CHECK(f.schedule.Period() == 900);
    CHECK(f.settings.strings.count("scanevery") == 1);

    // An empty or non-numeric text stores 60 s; the first automatic scan makes it a day and a minute.
    for (const char* text : {"", "soon", "-5"}) {
        f.page.edits["EDIT_SCAN_PERIOD"] = text;
        f.schedule.ButtonPressed("BUTTON_START_EVERY", f.page);
        CHECK(f.settings.numbers["scanperiod"] == 60);
    }
    f.now += 61;
    f.schedule.Tick();
    CHECK(f.schedule.Period() == 86460);

    f.page.edits["EDIT_SCAN_PERIOD"] = "99999999999999999999";
    f.schedule.ApplyPage(f.page);
    CHECK(f.schedule.Period() == 2147483647LL * 60);
    CHECK(PeriodMinutes("-99999999999") == -2147483648LL);
    CHECK_FALSE(f.schedule.ButtonPressed("BUTTON_SCAN", f.page));
}

TEST_CASE("the switch: pages swap, the flag follows, schedule buttons do nothing while off") {
    Fixture f;
    f.schedule.Load();
    f.settings.strings["enablescan"] = "1";
    f.schedule.ButtonPressed("BUTTON_AUTOSCAN_ENABLE", f.page);
    CHECK_FALSE(f.schedule.Switch());
    CHECK(f.actions.shown == std::vector<std::string>{"SUBMAIN_SCHEDULE_DISABLED"});
    CHECK(f.page.checks["BUTTON_AUTOSCAN_ENABLE"] == 0);
    CHECK(f.settings.strings.count("enablescan") == 0);

    TestPage before = f.page;
    CHECK(f.schedule.ButtonPressed("BUTTON_START_AFTER_EVERY_DAY", f.page));
    CHECK(f.page.checks == before.checks);
    CHECK(f.schedule.Period() == 86460);
    CHECK(f.settings.numbers.empty());

    f.schedule.ButtonPressed("BUTTON_AUTOSCAN_ENABLE", f.page);
    CHECK(f.actions.shown.back() == "SUBMAIN_SCHEDULE");
    CHECK(f.page.checks["BUTTON_AUTOSCAN_ENABLE"] == 1);
    CHECK(f.settings.strings.count("enablescan") == 1);
}

TEST_CASE("the system clock converts local calendar times") {
    setenv("TZ", "UTC-1", 1);  // POSIX sign: one hour east of Greenwich
    tzset();
    CHECK(SystemScheduleClock().fromLocal(2000, 1, 1, 1, 1, 1) == kY2K);
    unsetenv("TZ");
    tzset();
}

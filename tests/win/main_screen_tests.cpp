// The main screen with its pages against the prefix's registry and files: the remembered scan
// categories, the ignored list, the schedule switch, a skin of the user's own, and a picture of
// every page for the README.
#include "doctest.h"

#include "pages/CategorySelection.h"
#include "pages/MainScreen.h"
#include "platform/Files.h"
#include "registry/IgnoreFile.h"
#include "settings/SettingsStore.h"
#include "skin/IniFile.h"
#include "skin/SkinSource.h"
#include "skin_preview.h"
#include "skin_test_support.h"
#include "test_registry.h"

#include <cstdlib>
#include <memory>

using namespace skintest;

namespace {

class TestScreen : public MainScreen {
public:
    TestScreen(tw::Notifier& notifier, Settings& settings) : MainScreen(IDD_SKIN_DIALOG, kListMenu, notifier, settings) {}
    std::vector<std::string> pressed;
    std::string customSkin = "no such folder\\skin.ini";
    void ButtonPressed(std::string name) override { pressed.push_back(std::move(name)); }

protected:
    std::string CustomSkinPath() const override { return customSkin; }
};

// A fresh product settings key for each test.
struct NoKey {
    NoKey() { testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath); }
    ~NoKey() { testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath); }
};

struct Opened {
    RecordingNotifier notifier;
    SettingsStore settings;
    TestScreen screen{notifier, settings};
    explicit Opened(const std::string& customSkin = "no such folder\\skin.ini") {
        screen.customSkin = customSkin;
        REQUIRE(screen.CreateModeless(nullptr));
        Pump();
    }
    CSubMainSkin& Page(const char* name) {
        CSubMainSkin* page = screen.SubPage(name);
        REQUIRE(page);
        return *page;
    }
};

// The check states of the scan page's buttons, in skin order, as '1' and '0'.
std::string Ticks(CSubMainSkin& page) {
    std::string ticks;
    for (const auto& b : page.Buttons()) ticks += page.GetButtonChecked(b->Name()) ? '1' : '0';
    return ticks;
}

std::string IgnoreFileNow() {
    std::string bytes;
    tw::ReadWholeFile("ignore.lst", bytes);
    return bytes;
}

}  // namespace

TEST_CASE("scan categories: all ticked at first, BUTTON_ALL turns them all, the choice survives a restart") {
    NoKey clean;
    {
        Opened first;
        CSubMainSkin& scan = first.Page("SUBMAIN_SCANGIF");
        CHECK(Ticks(scan) == "11111111111");
        scan.ButtonPressed("BUTTON_ALL");
        CHECK(Ticks(scan) == "00000000000");
        scan.ButtonPressed("BUTTON_DRV");
        scan.ButtonPressed("BUTTON_SHORTCUTS");
        CHECK(Ticks(scan) == "00010000001");
        first.screen.SetScanRunning(true);  // a scan runs: presses change nothing
        scan.ButtonPressed("BUTTON_ALL");
        scan.ButtonPressed("BUTTON_DRV");
        CHECK(Ticks(scan) == "00010000001");
    }
    {
        Opened again;
        CSubMainSkin& scan = again.Page("SUBMAIN_SCANGIF");
        CHECK(Ticks(scan) == "00010000001");
        scan.ButtonPressed("BUTTON_ALL");  // off: all on
        CHECK(Ticks(scan) == "11111111111");
        scan.ButtonPressed("BUTTON_ALL");
    }
    CHECK(Ticks(Opened().Page("SUBMAIN_SCANGIF")) == "00000000000");  // nothing ticked is a choice too
    SettingsStore().WriteText(kCategorySelectionValue, "1101");       // a spoiled value: everything
    CHECK(Ticks(Opened().Page("SUBMAIN_SCANGIF")) == "11111111111");
}

TEST_CASE("the ignored list: filled from the file, ticked rows deleted, the others kept in order") {
    NoKey clean;
    std::vector<ignorefile::Entry> entries{{"HKEY_CLASSES_ROOT\\CLSID\\{A}", "COM Objects"},
                                           {"C:\\gone\\b.dll", "Shared DLLs"},
                                           {"HKEY_CLASSES_ROOT\\CLSID\\{C}", "COM Objects"},
                                           {"C:\\gone\\d.hlp", "Help Files"}};
    WriteFile("ignore.lst", ignorefile::Serialize(entries));
    Opened o;
    CSubMainSkin& page = o.Page("SUBMAIN_IGNORED");
    SkinCheckList& list = *page.List();
    REQUIRE(list.Count() == 4);
    CHECK(list.Cell(1, 0).empty());
    CHECK(list.Cell(1, 1) == "Shared DLLs");
    CHECK(list.Cell(1, 2) == "C:\\gone\\b.dll");

    list.SetChecked(0, true);
    list.SetChecked(2, true);
    page.ButtonPressed("BUTTON_IGNORED_DELETE");
    std::vector<ignorefile::Entry> left = ignorefile::Parse(IgnoreFileNow());
    REQUIRE(left.size() == 2);
    CHECK(left[0].item == entries[1].item);
    CHECK(left[1].item == entries[3].item);
    REQUIRE(list.Count() == 2);
    CHECK_FALSE(list.Checked(0));
    CHECK(list.Cell(1, 2) == entries[3].item);

    page.ButtonPressed("BUTTON_IGNORED_SEL_ALL");
    CHECK((list.Checked(0) && list.Checked(1)));
    // The file changed behind the list: a ticked row whose entry is no longer there deletes nothing.
    WriteFile("ignore.lst", ignorefile::Serialize({entries[0], entries[3]}));
    std::string before = IgnoreFileNow();
    list.SetChecked(1, false);
    page.ButtonPressed("BUTTON_IGNORED_DELETE");
    CHECK(IgnoreFileNow() == before);
    DeleteFileA("ignore.lst");
}

TEST_CASE("the schedule switch changes page; automatic scans off leave the period buttons plain") {
    NoKey clean;
    Opened o;
    CHECK_FALSE(o.screen.Schedule().Switch());  // no "enablescan" yet
    CSubMainSkin& off = o.Page(kScheduleDisabledPage);
    off.ButtonPressed("BUTTON_START_AFTER_EVERY_WEEK");
    CHECK(off.GetButtonChecked("BUTTON_START_AFTER_EVERY_WEEK") == 1);
    CHECK(SettingsStore().ReadNumber(kScanPeriodValue) == 0);  // nothing scheduled
    off.ButtonPressed("BUTTON_AUTOSCAN_ENABLE");
    CHECK(o.screen.PrimaryPage() == o.screen.SubPage(kScheduleEnabledPage));
    CHECK(SettingsStore().ReadFlag("enablescan"));
    CSubMainSkin& on = o.Page(kScheduleEnabledPage);
    CHECK(on.GetButtonChecked("BUTTON_AUTOSCAN_ENABLE") == 1);  // the page now shown shows the switch
    on.ButtonPressed("BUTTON_START_AFTER_EVERY_DAY");
    CHECK(SettingsStore().ReadNumber(kScanPeriodValue) == 86400);
    on.ButtonPressed("BUTTON_AUTOSCAN_ENABLE");
    CHECK(o.screen.PrimaryPage() == &off);
    CHECK_FALSE(SettingsStore().ReadFlag("enablescan"));
}

TEST_CASE("settings load into the pages; \"autoscan\" scans at once; the animation area is the GIF host") {
    NoKey clean;
    SettingsStore store;
    store.WriteFlag("autoscan", true);
    store.WriteFlag("enablescan", true);
    store.WriteFlag("scanweek", true);
    Opened o;
    CHECK(o.screen.pressed == std::vector<std::string>{"BUTTON_SCAN"});
    CHECK(o.screen.Schedule().Switch());
    CHECK(o.Page(kScheduleEnabledPage).GetButtonChecked("BUTTON_START_AFTER_EVERY_WEEK") == 1);
    CHECK(o.Page("SUBMAIN_ADVANCED").GetButtonChecked("BUTTON_AUTOSCAN") == 1);
    HWND area = o.screen.AnimationArea();
    REQUIRE(area);
    CHECK_FALSE(IsWindowVisible(area));
    RECT r = ChildRect(area);
    CHECK((r.left == 70 && r.top == 178 && r.right == 454 && r.bottom == 312));
}

TEST_CASE("every repair is backed up: the settings page's backup box shows it, ticked and fixed; \"savereg\" is left as stored") {
    NoKey clean;
    Opened o;
    CSubMainSkin& page = o.Page("SUBMAIN_ADVANCED");
    SkinButton& box = *page.FindButton("BUTTON_BACKUP");
    CHECK(page.GetButtonChecked("BUTTON_BACKUP") == 1);
    CHECK(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK_FALSE(IsWindowEnabled(box.Handle()));
    CHECK(box.ImageToDraw(true, false)->picture.get() == box.ImageOf(SkinButton::Down));  // ticked, washed out
    CHECK(page.FindText("TEXT_BACKUP_ALWAYS")->Text() == "Every repair is backed up first");
    CHECK_FALSE(SettingsStore().ReadFlag("savereg"));
    // The scan status lamps, check boxes too, still show their own disabled face (green).
    SkinButton& lamp = *o.Page("SUBMAIN_SCANSTATUS").FindButton("BUTTON_STATUS1");
    lamp.SetChecked(true);
    CHECK(lamp.ImageToDraw(true, false)->picture.get() == lamp.ImageOf(SkinButton::Disabled));
}

TEST_CASE("a skin.ini of the user's own replaces the built-in one; one that cannot serve is reported once") {
    NoKey clean;
    std::string builtIn;
    {
        SkinDescription skin(ResolveSkinFilePath());
        REQUIRE(skin.Ready());
        builtIn = skin.Text();
    }
    const std::string line = "BUTTON_EXIT,466,19,";
    std::size_t at = builtIn.find(line);
    REQUIRE(at != std::string::npos);
    std::string moved = builtIn;
    moved.replace(at, line.size(), "BUTTON_EXIT,400,30,");
    WriteFile("skin.ini", moved);
    {
        Opened o(CurrentFolder() + "\\skin.ini");
        CHECK(o.notifier.notices.empty());
        RECT r = ChildRect(o.screen.FindButton("BUTTON_EXIT")->Handle());
        CHECK((r.left == 400 && r.top == 30));
    }
    WriteFile("skin.ini", "[OTHER]\r\n1=x\r\n");
    Opened o(CurrentFolder() + "\\skin.ini");
    CHECK(o.notifier.Texts() == std::vector<std::string>{kCustomSkinUnusable});
    RECT r = ChildRect(o.screen.FindButton("BUTTON_EXIT")->Handle());
    CHECK((r.left == 466 && r.top == 19));
    DeleteFileA("skin.ini");
}

TEST_CASE("pictures of every page") {
    NoKey clean;
    const char* folder = std::getenv("TW_PAGE_SHOTS");
    if (!folder || !*folder) return;
    Opened o;
    SetWindowPos(o.screen.Handle(), HWND_TOP, 12, 12, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    for (const auto& page : o.screen.Pages()) {
        o.screen.ShowPage(page->SkinName());
        RedrawWindow(o.screen.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        for (int i = 0; i < 5; ++i) {
            Pump();
            Sleep(20);
        }
        COLORREF probe = 0;
        CHECK(SaveScreenshot(o.screen.Handle(), std::string(folder) + "\\" + page->SkinName() + ".bmp", probe));
    }
}

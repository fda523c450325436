// The main window driven in-process against the prefix's registry: a scan of planted errors, the
// fix with a kept row, the restore, the statistics, the automatic scan, leaving during a scan or a
// fix, the rows the user unticks, the boxes, the tray icon and a session's end, and the README's
// pictures.
#include "doctest.h"

#include "Version.h"

#include "app/MainWindow.h"
#include "log/LogFile.h"
#include "maintenance/BackupFormat.h"
#include "maintenance/RepairGuard.h"
#include "planted_errors.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/MessageBoxNotifier.h"
#include "registry/Categories.h"
#include "registry/StopEvent.h"
#include "resource.h"
#include "settings/SettingsStore.h"
#include "skin_preview.h"
#include "skin_test_support.h"
#include "test_json.h"
#include "test_folder_acl.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <functional>

using namespace skintest;

namespace {

const char kKeptFont[] = "C:\\windows\\fonts\\tidewarp-fix.ttf";
// The remembered scan categories: everything, or everything but the shortcuts.
const char kAllCategories[] = "11111111111111";
const char kNoShortcuts[] = "11111111110111";
const char kFontsAndStartup[] = "00000000110000";

// What the windows' schedules take for now: the real time moved on by this much.
std::atomic<ScheduleTime> clockShift{0};
ScheduleClock ShiftedClock() {
    ScheduleClock clock = SystemScheduleClock();
    clock.now = [] { return static_cast<ScheduleTime>(std::time(nullptr)) + clockShift; };
    return clock;
}

// A progress report that asks the scan to stop as soon as the start-up entries are scanned.
void StopAtStartupEntries(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    if (status == "Scanning Startup Entries") StopEvent().Set();
    MainWindow::ScanProgressCallback(std::move(item), std::move(status), examined, found);
}

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Holds the quick-scan window's removal until released (released at the latest when it goes).
struct FixGate {
    tw::UniqueHandle entered{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tw::UniqueHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ~FixGate() { SetEvent(release.get()); }
};

class HeldQuickScan : public Summary {
public:
    HeldQuickScan(const ScanSelection& selection, const std::string& skin, FixGate& gate)
        : Summary(IDD_SKIN_DIALOG, selection, skin), gate_(gate) {}

protected:
    FixResult Fix(const FixRequest& request) override {
        SetEvent(gate_.entered.get());
        WaitForSingleObject(gate_.release.get(), INFINITE);
        return Summary::Fix(request);
    }
    DWORD StopWait() const override { return 300; }

private:
    FixGate& gate_;
};

class TestWindow : public MainWindow {
public:
    TestWindow(tw::Notifier& notifier, Settings& settings) : MainWindow(notifier, settings, ShiftedClock()) {}
    std::vector<std::string> opened;
    bool realShell = false;    // open through the user's desktop shell, as the program does
    bool shellAnswers = true;  // otherwise: whether the shell would have opened what is recorded
    bool realHelp = false;     // the built-in help window, as the program shows it
    int helpShown = 0;
    std::string helpPage = "C:\\no such folder\\help.html";
    DWORD hold = 0;
    std::atomic<bool> slowScan{false};  // a scan that only ends a while after a stop request
    std::atomic<bool> earlyEnd{false};  // whose completion comes to the window before it has ended
    std::atomic<bool> stopAtStartup{false};  // a real scan, stopped in the start-up entries
    DWORD fixDelay = 0;  // a fix whose bookkeeping takes a while
    std::atomic<bool> scanEnded{false}, fixEnded{false};
    FixGate* quickFixGate = nullptr;  // the quick-scan window's removal waits for it
    struct Picture {
        std::string page;
        DWORD shownAt;
        int backups;  // in "Registry Backups" as it showed
    };
    std::vector<Picture> pictures;  // written by the fix worker only

protected:
    std::string CustomSkinPath() const override { return "no such folder\\skin.ini"; }
    bool OpenDocument(const std::string& target) override {
        if (realShell) return MainWindow::OpenDocument(target);
        opened.push_back(target);
        return shellAnswers;
    }
    void ShowBuiltInHelp() override {
        ++helpShown;
        if (realHelp) MainWindow::ShowBuiltInHelp();
    }
    std::string HelpPagePath() const override { return helpPage; }
    DWORD PictureHold() const override { return hold; }
    void ShowPicture(const char* page) override {
        MainWindow::ShowPicture(page);
        pictures.push_back({page, GetTickCount(), BackupCount()});
    }
    void RunScan() override {
        scanEnded = false;
        if (stopAtStartup) Registry().SetProgressCallback(&StopAtStartupEntries);
        if (!slowScan) {
            MainWindow::RunScan();
        } else {
            ShowSidePage("SUBMAIN_SCANSTATUS");
            SkinPanel* lamps = Page("SUBMAIN_SCANSTATUS");
            lamps->EnableButton("BUTTON_STATUS1", false);
            lamps->SetButtonChecked("BUTTON_STATUS2", true);
            ScanProgressCallback("C:\\Program Files\\Common Files\\Shared Components\\Tidewarp Sample Library\\sample.dll",
                                 "Scanning", 1, 0);
            while (!StopEvent().IsSignalled()) Sleep(10);
            if (earlyEnd) PostMessageA(Handle(), kScanDone, 0, 0);
            Sleep(700);
        }
        scanEnded = true;
    }
    std::unique_ptr<Summary> MakeQuickScanWindow(const ScanSelection& selection) const override {
        if (!quickFixGate) return MainWindow::MakeQuickScanWindow(selection);
        return std::make_unique<HeldQuickScan>(selection, SkinFilePath(), *quickFixGate);
    }
    FixResult RunFix(const FixRequest& request, FixObserver& observer) override {
        Sleep(fixDelay);
        FixResult result = MainWindow::RunFix(request, observer);
        fixEnded = true;
        return result;
    }
};

struct Fresh {
    Fresh() { Clean(); }
    ~Fresh() { Clean(); }
    static void Clean() {
        clockShift = 0;
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        DeleteFileA("ignore.lst");
        testlink::RemoveTree(CurrentFolder() + "\\Registry Backups");
        testlink::RemoveTree(CurrentFolder() + "\\links");
    }
};

struct Opened {
    RecordingNotifier notifier;
    SettingsStore settings;
    std::unique_ptr<TestWindow> window = std::make_unique<TestWindow>(notifier, settings);
    explicit Opened(const char* categories = kNoShortcuts, bool scanOnStart = false, bool pump = true) {
        settings.WriteText("scancategories", categories);
        window->SetScanOnStart(scanOnStart);
        REQUIRE(window->CreateModeless(nullptr));
        if (pump) Pump();
    }
    TestWindow& operator*() { return *window; }
    TestWindow* operator->() { return window.get(); }
    SkinCheckList& Results() { return *window->Page("SUBMAIN_RESULT")->List(); }
    // The row whose item is this, or -1.
    int Row(const std::string& item) {
        for (int row = 0; row < Results().Count(); ++row)
            if (Results().Cell(row, 1) == item) return row;
        return -1;
    }
    // A click on the row's check box when it does not show the tick wanted.
    void Tick(int row, bool on) {
        const LRESULT shown = SendMessageA(Results().Handle(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
        if (shown != static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(on ? 2 : 1))) ClickCheckBox(Results().Handle(), row);
    }
    std::string Counter(const char* name) { return window->Page("SUBMAIN_SCAN_SUMMARY")->FindText(name)->Text(); }
};

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 180000) {
    for (DWORD start = GetTickCount(); !done(); Sleep(10)) {
        if (GetTickCount() - start > ms) return false;
        Pump();
    }
    Pump();
    return true;
}

void Shot(TestWindow& window, const char* page, const char* name) {
    const char* folder = std::getenv("TW_APP_SHOTS");
    if (!folder || !*folder) return;
    if (page) window.ShowPage(page);
    SetWindowPos(window.Handle(), HWND_TOP, 12, 12, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 5; ++i) {
        Pump();
        Sleep(20);
    }
    COLORREF probe = 0;
    CHECK(SaveScreenshot(window.Handle(), std::string(folder) + "\\" + name + ".bmp", probe));
}

std::uint32_t Stored(const char* name) { return SettingsStore().ReadNumber(name); }

// From another thread, notes what the next box the window's thread shows is (and takes its picture
// under shot, when the pictures are taken), then answers it with `command`.
class BoxWatch {
public:
    explicit BoxWatch(HWND window, const char* shot = nullptr, WPARAM command = IDOK)
        : main_(window), shot_(shot), command_(command), thread_(CreateThread(nullptr, 0, &Run, this, 0, nullptr)) {}
    ~BoxWatch() { Closed(); }
    bool Closed() { return WaitForSingleObject(thread_.get(), 15000) == WAIT_OBJECT_0; }
    HWND owner = nullptr;
    bool mainEnabled = true;
    std::string title, helpText;
    std::string text;  // a message box's text (its statics: Windows and Wine number them apart)

private:
    static DWORD WINAPI Run(void* self) { return static_cast<BoxWatch*>(self)->Watch() ? 0 : 1; }
    bool Watch() {
        const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
        for (int i = 0; i < 500; ++i, Sleep(20)) {
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr)
                if (box != main_ && GetWindowThreadProcessId(box, nullptr) == thread && IsWindowVisible(box)) break;
            if (!box) continue;
            owner = GetWindow(box, GW_OWNER);
            mainEnabled = IsWindowEnabled(main_);
            char caption[64] = {};
            GetWindowTextA(box, caption, sizeof caption);
            title = caption;
            helpText.assign(65536, '\0');
            helpText.resize(GetDlgItemTextA(box, IDC_HELP_TEXT, &helpText[0], static_cast<int>(helpText.size())));
            for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr)) != nullptr;) {
                char line[2048] = {};
                GetWindowTextA(child, line, sizeof line);
                text += line;
            }
            const char* folder = std::getenv("TW_APP_SHOTS");
            if (shot_ && folder && *folder) {
                Sleep(300);  // painted by then
                COLORREF probe = 0;
                SaveScreenshot(box, std::string(folder) + "\\" + shot_ + ".bmp", probe);
            }
            PostMessageA(box, WM_COMMAND, command_, 0);
            return true;
        }
        return false;
    }
    HWND main_;
    const char* shot_;
    WPARAM command_;
    tw::UniqueHandle thread_;
};

}  // namespace

TEST_CASE("scan, keep a row, fix, restore: the same findings as tidewarp-cli, one backup, the statistics") {
    Fresh fresh;
    PlantedErrors planted;
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string links = CurrentFolder() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");
    testlink::MakeLink(links + "\\kept.lnk", links + "\\also-gone.txt");
    const auto cli = testjson::Parse(testproc::Run("tidewarp-cli.exe", "scan --json").out);

    Opened o(kAllCategories, false, false);
    CHECK(o->PagesToCome() > 0);  // built just after the window shows
    o->ButtonPressed("BUTTON_SCAN");
    CHECK(o->ScanRunning());
    CHECK(o->PagesToCome() == 0);  // before the worker that uses them starts
    CHECK(o->FindButton("BUTTON_SCAN")->ImageOf(SkinButton::Down));  // and the running scan's look
    o->ButtonPressed("BUTTON_IGNORED");  // tabs wait for the scan
    CHECK(o->PrimaryPage() == o->Page("SUBMAIN_SCANGIF"));
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    CHECK(o->ResultsAvailable());
    CHECK(o->PrimaryPage() == o->Page("SUBMAIN_SCAN_SUMMARY"));

    // Every row checked: the registry rows first, in the console program's order, then the shortcuts.
    SkinCheckList& list = o.Results();
    const auto& errors = cli["errors"].items;
    const auto& shortcuts = cli["shortcuts"].items;
    REQUIRE(list.Count() == static_cast<int>(errors.size() + shortcuts.size()));
    CHECK(SendMessageA(list.Handle(), LVM_GETITEMCOUNT, 0, 0) == list.Count());  // the control shows them
    CHECK(o->RegistryRowCount() == static_cast<int>(errors.size()));
    int fontRow = -1, keptLinkRow = -1, clsidRows = 0;
    for (int row = 0; row < list.Count(); ++row) {
        CAPTURE(row);
        const bool registry = row < static_cast<int>(errors.size());
        CHECK(list.Checked(row));
        CHECK(SendMessageA(list.Handle(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
        // What the row removes, in the console program's words.
        std::string title = "Broken Shortcuts", file, location;
        if (registry) {
            const auto& error = errors[row];
            title = FindCategory(error["category"].text)->summaryTitle;
            file = error["item"].text;
            location = error["key"].text + (error["fix"].text == "KEY" ? " (whole key)"
                                                                      : ", value \"" + error["value"]["name"].text + "\"");
        } else {
            const std::string& link = shortcuts[row - errors.size()].text;
            file = link.substr(link.rfind('\\') + 1);
            location = link.substr(0, link.rfind('\\'));
        }
        CHECK(list.Cell(row, 0) == title);
        CHECK(list.Cell(row, 1) == file);
        CHECK(list.Cell(row, 2) == location);
        if (file == kKeptFont) fontRow = row;
        if (!registry && location + "\\" + file == links + "\\kept.lnk") keptLinkRow = row;
        if (registry && errors[row]["category"].text == "CLSID") ++clsidRows;
    }
    CHECK(o.Counter("TEXT_FOUND_CLSID") == std::to_string(clsidRows));
    CHECK(o.Counter("TEXT_FOUND_LINK") == std::to_string(shortcuts.size()));
    CHECK(o.Counter("TEXT_FOUND_COM") == "0");
    CHECK(o.Counter("TEXT_FOUND_FONTS") == "1");
    Shot(*o, "SUBMAIN_SCAN_SUMMARY", "summary");
    Shot(*o, "SUBMAIN_RESULT", "results");
    // A trip to the tray keeps the results ready to be removed.
    o->ButtonPressed("BUTTON_MINIMIZE");
    SendMessageA(o->Handle(), TrayIcon::kMessage, TrayIcon::kId, WM_LBUTTONDBLCLK);
    CHECK(o->ResultsAvailable());

    // The user keeps the font and one shortcut; the fix removes the rest, after one backup.
    REQUIRE((fontRow >= 0 && keptLinkRow >= 0));
    {
        // A link's menu opens its folder.
        LVITEMA one{};
        one.stateMask = one.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list.Handle(), LVM_SETITEMSTATE, keptLinkRow, reinterpret_cast<LPARAM>(&one));
        o->opened.clear();
        SendMessageA(list.Handle(), WM_COMMAND, ID_RESULT_FOLDER, 0);
        SendMessageA(list.Handle(), WM_COMMAND, ID_RESULT_REGEDIT, 0);  // a link has no key: nothing
        CHECK(o->opened == std::vector<std::string>{links});
    }
    o.Tick(fontRow, false);
    CHECK_FALSE(list.Checked(fontRow));
    list.SetChecked(keptLinkRow, false);
    o->hold = 80;
    const std::string logPath = CurrentFolder() + "\\tidewarp-fix.log";
    LogFile::Instance().Open(logPath, false, 0);
    o->ButtonPressed("BUTTON_REMOVE");
    REQUIRE(o->FixRunning());
    o->ButtonPressed("BUTTON_SCAN");  // ignored while the fix runs
    CHECK_FALSE(o->Scanning());
    REQUIRE(PumpUntil([&] { return !o->FixRunning(); }));
    const DWORD home = GetTickCount();
    LogFile::Instance().Close();
    CHECK(o->LastFix().status == FixResult::Done);
    // The four pictures in order, the first as the backup begins, each seen for its time.
    const std::vector<std::string> order{"SUBMAIN_REMOVED_ERROR01", "SUBMAIN_REMOVED_ERROR02", "SUBMAIN_REMOVED_ERROR03",
                                         "SUBMAIN_REMOVED_ERROR"};
    REQUIRE(o->pictures.size() == order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        CAPTURE(i);
        CHECK(o->pictures[i].page == order[i]);
        CHECK(o->pictures[i].backups == (i == 0 ? 0 : 1));
        const DWORD next = i + 1 < order.size() ? o->pictures[i + 1].shownAt : home;
        CHECK(next - o->pictures[i].shownAt >= 70);  // the tick count's steps aside
    }
    // What the repair did, on the main screen and in the log: the registry rows and one link gone,
    // the font and the other link kept.
    const std::string backup = o->LastFix().backupPath.substr(o->LastFix().backupPath.rfind('\\') + 1);
    const std::string line = "Removed " + std::to_string(errors.size()) + " entries. Backup: " + backup + " 2 kept in place.";
    CHECK(o->FindText("TEXT_REPAIR_RESULT")->Text() == line);
    CHECK(testreg::ReadFile(logPath).find(line) != std::string::npos);
    DeleteFileA(logPath.c_str());
    Shot(*o, nullptr, "repaired");
    CHECK(testreg::ReadFile("ignore.lst") ==
          std::string(kWineFonts) + kKeptFont + "\r\nfont\r\n" + links + "\\kept.lnk\r\nSHORTCUT\r\n");
    CHECK(BackupCount() == 1);
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) {
        CAPTURE(name);
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name) == (name == "Tidewarp Fix (TrueType)"));
    }
    CHECK_FALSE(testreg::FileExists(links + "\\gone.lnk"));
    CHECK(testreg::FileExists(links + "\\kept.lnk"));
    CHECK(o->PrimaryPage() == o->Page("SUBMAIN_SCANGIF"));  // home again
    CHECK_FALSE(o->ResultsAvailable());
    const int removed = o->LastFix().errorsRemoved;
    CHECK(removed == static_cast<int>(errors.size()) - 1);
    o->ButtonPressed("BUTTON_REMOVE");  // nothing left to remove until the next scan
    CHECK_FALSE(o->FixRunning());

    o->ButtonPressed("BUTTON_RESTORENOW");
    CHECK(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name));
    REQUIRE_FALSE(o.notifier.notices.empty());
    CHECK(o.notifier.Texts().back() == "Registry Restored from Last Backup");
    CHECK(testreg::FileExists(links + "\\gone.lnk"));

    o.window.reset();  // closing writes the statistics
    CHECK(Stored("totalscan") == 1);
    CHECK(Stored("totalerrorrem") == static_cast<std::uint32_t>(removed));
    std::string last;
    CHECK(SettingsStore().ReadText("lastscan", last));
    std::time_t now = std::time(nullptr);
    const std::string today = LastScanText(std::localtime(&now));
    CHECK(last.substr(0, last.find(' ')) == today.substr(0, today.find(' ')));
}

TEST_CASE("an overdue automatic scan starts from timer 2, the start-up word scans at once, tray Exit closes") {
    Fresh fresh;
    const char onlyDrivers[] = "00001000000000";
    {
        SettingsStore store;
        store.WriteFlag("enablescan", true);
        store.WriteNumber("scanperiod", 86400);
        store.WriteNumber("scannext", static_cast<std::uint32_t>(std::time(nullptr) - 60));
        Opened o(onlyDrivers);
        CHECK_FALSE(o->ScanRunning());
        SendMessageA(o->Handle(), WM_TIMER, MainWindow::kAutoScanTimer, 0);
        CHECK(o->ScanRunning());
        REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
        CHECK(o->PrimaryPage() == o->Page("SUBMAIN_SCAN_SUMMARY"));
        SendMessageA(o->Handle(), WM_TIMER, MainWindow::kAutoScanTimer, 0);  // the next one is a day away
        CHECK_FALSE(o->ScanRunning());
        REQUIRE(o.Results().Count() == 0);
        o->ButtonPressed("BUTTON_REMOVE");
        CHECK(o.notifier.Texts() == std::vector<std::string>{"No errors found"});
        CHECK(o.notifier.notices[0].caption == tw::NoticeCaption::Empty);
        CHECK_FALSE(o->FixRunning());
        SendMessageA(o->Handle(), WM_COMMAND, ID_TRAY_EXIT, 0);
        CHECK_FALSE(o->Handle());
    }
    CHECK(Stored("scannext") > static_cast<std::uint32_t>(std::time(nullptr) + 86000));
    {
        Opened o(onlyDrivers, true);
        REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
        CHECK(o->ResultsAvailable());
    }
    CHECK(Stored("totalscan") == 2);
}

TEST_CASE("leaving during a scan waits for the scan to stop") {
    Fresh fresh;
    {
        Opened o;
        o->slowScan = true;
        o->ButtonPressed("BUTTON_SCAN");
        SkinText* item = o->Page("SUBMAIN_SCANGIF")->FindText("TEXT_ERRORSCAN_CURRENTITEM");
        REQUIRE(PumpUntil([&] { return !item->Text().empty(); }, 10000));
        CHECK(item->Text().size() == 69);  // shortened in the middle
        CHECK(item->Text().find("...") != std::string::npos);
        CHECK(item->Text().substr(item->Text().size() - 10) == "sample.dll");
        Shot(*o, nullptr, "scanning");
        o->ButtonPressed("BUTTON_EXIT");
        CHECK_FALSE(o->Handle());
        CHECK(o->scanEnded);
        CHECK_FALSE(o->WorkerRunning());
    }
    CHECK(Stored("totalscan") == 1);
}

TEST_CASE("the tray's \"Quick scan\" and a page's own scan button open the quick-scan window; leaving closes it") {
    Fresh fresh;
    Opened o(kAllCategories);
    ShowWindow(o->Handle(), SW_HIDE);  // in the tray
    SendMessageA(o->Handle(), WM_COMMAND, ID_TRAY_QUICKSCAN, 0);
    REQUIRE(o->QuickScan());
    CThreadSummary* first = o->QuickScan();
    CHECK(o->ScanRunning());
    CHECK_FALSE(IsWindowVisible(o->Handle()));
    HWND window = FindWindowA(nullptr, "Tidewarp Quick Scan");
    CHECK(IsWindowVisible(window));
    SendMessageA(o->Handle(), WM_COMMAND, ID_TRAY_QUICKSCAN, 0);  // one at a time
    CHECK(o->QuickScan() == first);
    REQUIRE(PumpUntil([&] { return first->Window()->CurrentStage() == Summary::Stage::ScanComplete; }));
    if (const char* folder = std::getenv("TW_APP_SHOTS"); folder && *folder) {
        Sleep(300);  // painted on its own thread by then
        COLORREF probe = 0;
        CHECK(SaveScreenshot(first->Window()->Handle(), std::string(folder) + "\\quick-scan-complete.bmp", probe));
    }
    SendMessageA(first->Window()->FindButton("BUTTON_CANCEL")->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));

    o->SubPage("SUBMAIN_SCANGIF")->ButtonPressed("BUTTON_SCAN");
    REQUIRE(o->QuickScan());
    CHECK(o->ScanRunning());
    window = FindWindowA(nullptr, "Tidewarp Quick Scan");
    CHECK(IsWindow(window));
    o->ButtonPressed("BUTTON_EXIT");
    CHECK_FALSE(o->Handle());
    CHECK_FALSE(IsWindow(window));
}

TEST_CASE("leaving during a fix lets the step under way finish and skips the removal") {
    Fresh fresh;
    PlantedErrors planted;
    testreg::WriteFile("ignore.lst", kWineFonts);
    Opened o("00000000100000");  // fonts only
    o->ButtonPressed("BUTTON_SCAN");
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    REQUIRE(o.Results().Count() == 1);
    o->hold = 3000;
    o->fixDelay = 1000;
    o->ButtonPressed("BUTTON_REMOVE");
    // The ignore list is the fix's now: the ignored page leaves it alone.
    CSubMainSkin& ignored = *o->SubPage(kIgnoredPage);
    REQUIRE(ignored.List()->Count() == 4);
    ignored.ButtonPressed("BUTTON_IGNORED_SEL_ALL");
    ignored.ButtonPressed("BUTTON_IGNORED_DELETE");
    CHECK(ignored.List()->Count() == 4);
    CHECK_FALSE(ignored.List()->Checked(0));
    SendMessageA(o->Handle(), WM_CLOSE, 0, 0);  // during the first picture
    CHECK_FALSE(o->Handle());
    CHECK(o->fixEnded);
    CHECK_FALSE(o->WorkerRunning());
    // The ignore list and the backup were written whole; the removal, not yet begun, was skipped.
    CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);
    CHECK(BackupCount() == 1);
    CHECK(o->LastFix().status == FixResult::Stopped);
    CHECK(o->Statistics().errorsRemoved == 0);  // nothing was removed, so nothing is counted
    CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                               "Tidewarp Fix (TrueType)"));
    StopEvent().Reset();
}

TEST_CASE("the help and mail buttons, minimising to the tray, the tabs") {
    Fresh fresh;
    Opened o;
    o->ButtonPressed("BUTTON_SUPPORT");  // no help page beside the program: the built-in one
    CHECK(o->opened.empty());
    CHECK(o->helpShown == 1);
    o->helpPage = CurrentFolder() + "\\help.html";
    WriteFile("help.html", "<html></html>");
    o->ButtonPressed("BUTTON_SUPPORT");
    o->ButtonPressed("BUTTON_LIVEUPDATE");
    REQUIRE(o->opened.size() == 2);
    CHECK(o->opened[0] == o->helpPage);
    CHECK(o->opened[1] ==
          "mailto:?subject=Tidewarp%20registry%20cleaner&body=I%20use%20Tidewarp%20to%20find%20and%20remove%20broken"
          "%20registry%20entries%20and%20shortcuts.%20It%20backs%20up%20what%20it%20removes%20and%20restores%20it"
          "%20with%20one%20click.");
    CHECK(o->helpShown == 1);
    CHECK(o.notifier.notices.empty());
    // No shell of the user's to open them: the built-in help, and the mail for the user to write.
    o->shellAnswers = false;
    o->ButtonPressed("BUTTON_SUPPORT");
    CHECK(o->helpShown == 2);
    o->ButtonPressed("BUTTON_LIVEUPDATE");
    REQUIRE(o.notifier.notices.size() == 1);
    CHECK(o.notifier.notices[0].text.find("\r\n\r\nSubject: Tidewarp registry cleaner\r\n\r\nI use Tidewarp") !=
          std::string::npos);
    o->shellAnswers = true;
    DeleteFileA("help.html");

    // On the home page "BUTTON_SCAN" blinks and "BUTTON_REMOVE" does not.
    const bool lit = o->GetButtonHover("BUTTON_SCAN");
    SendMessageA(o->Handle(), WM_TIMER, MainWindow::kBlinkTimer, 0);
    CHECK(o->GetButtonHover("BUTTON_SCAN") != lit);
    CHECK_FALSE(o->GetButtonHover("BUTTON_REMOVE"));

    o->ButtonPressed("BUTTON_IGNORED");
    CHECK(o->PrimaryPage() == o->Page("SUBMAIN_IGNORED"));
    CHECK_FALSE(IsWindowEnabled(o->FindButton("BUTTON_IGNORED")->Handle()));
    CHECK(IsWindowEnabled(o->FindButton("BUTTON_MAIN")->Handle()));

    REQUIRE(PumpUntil([&] { return o->TrayIconShown(); }, 10000));  // just after the window shows
    o->ButtonPressed("BUTTON_MINIMIZE");
    Pump();
    CHECK_FALSE(IsWindowVisible(o->Handle()));
    SendMessageA(o->Handle(), TrayIcon::kMessage, TrayIcon::kId, WM_LBUTTONDBLCLK);
    CHECK(IsWindowVisible(o->Handle()));
    CHECK(GetWindowTextLengthA(o->Handle()) == 8);  // "Tidewarp"
    // The home page's version is the program's own.
    CHECK(o->Page("SUBMAIN_MAIN")->FindText("PROGRESS_TEXT_APPLICATION_VERSION")->Text() == TW_VERSION);
}

// Handlers of pages and mail addresses, as a user may set them, leading to the marker program.
// Wine looks handlers up in HKEY_CLASSES_ROOT only (it merges no HKCU\Software\Classes into it),
// so they are planted there: what a process of the user's opens, and what ShellExecute in the
// elevated process would open, alike.
struct PlantedHandlers {
    const bool hadHtml = testreg::KeyExists(HKEY_CLASSES_ROOT, ".html");
    const std::string runs;
    explicit PlantedHandlers(const std::string& marker) : runs(marker.substr(0, marker.find_last_of("\\/") + 1) + "runs.txt") {
        DeleteFileA(runs.c_str());
        const std::string command = "\"" + marker + "\" \"%1\"";
        testreg::SetString(HKEY_CLASSES_ROOT, ".html", "", "TidewarpTestPage");
        testreg::SetString(HKEY_CLASSES_ROOT, "TidewarpTestPage\\shell\\open\\command", "", command);
        testreg::SetString(HKEY_CLASSES_ROOT, "mailto", "URL Protocol", "");
        testreg::SetString(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", "", command);
    }
    ~PlantedHandlers() {
        testreg::DeleteTreeQuietly(HKEY_CLASSES_ROOT, "TidewarpTestPage");
        testreg::DeleteTreeQuietly(HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command");
        if (!hadHtml) testreg::DeleteTreeQuietly(HKEY_CLASSES_ROOT, ".html");
    }
    // The runs of the marker: the process that started each, by what it opened.
    std::vector<std::pair<DWORD, std::string>> Runs() const {
        std::vector<std::pair<DWORD, std::string>> found;
        std::string text;
        if (!tw::ReadWholeFile(runs, text)) return found;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            found.emplace_back(std::strtoul(text.c_str() + at, nullptr, 10), text.substr(at, end - at));
        return found;
    }
};

TEST_CASE("help and mail are opened by the user's desktop shell, never by the program; else the built-in help") {
    const char* marker = std::getenv("TW_SHELL_MARKER");
    REQUIRE(marker);
    Fresh fresh;
    PlantedHandlers planted(marker);
    WriteFile("help.html", "<html><body>beside the program</body></html>");
    SUBCASE("the user's handlers run, started by the desktop shell as the user") {
        Opened o;
        o->realShell = true;
        o->helpPage = CurrentFolder() + "\\help.html";
        o->ButtonPressed("BUTTON_SUPPORT");
        o->ButtonPressed("BUTTON_LIVEUPDATE");
        CHECK(PumpUntil([&] { return planted.Runs().size() >= 2; }, 15000));
        for (const auto& run : planted.Runs()) {
            CAPTURE(run.second);
            CHECK(run.first != GetCurrentProcessId());
            CHECK(run.first != 0);
        }
        CHECK(o->helpShown == 0);
        CHECK(o.notifier.notices.empty());
    }
    SUBCASE("no shell of the user's: the help page built into the program shows in its own window") {
        Opened o;
        o->shellAnswers = false;
        o->realHelp = true;
        BoxWatch watch(o->Handle(), "help-window");
        o->ButtonPressed("BUTTON_SUPPORT");
        CHECK(watch.Closed());
        CHECK(watch.title == "Tidewarp Help");
        CHECK(watch.helpText.rfind("Tidewarp Help\r\n\r\nTidewarp finds and removes broken references", 0) == 0);
        CHECK(watch.helpText.find("Where Tidewarp keeps its files") != std::string::npos);
        CHECK(watch.helpText.find('<') == std::string::npos);
        CHECK(o->helpShown == 1);
        CHECK(planted.Runs().empty());
    }
    DeleteFileA("help.html");
}

TEST_CASE("an unticked row is never removed") {
    Fresh fresh;
    PlantedErrors planted;
    testreg::WriteFile("ignore.lst", kWineFonts);
    const char fonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const char run[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    auto fontKept = [&] { return testreg::ValueExists(HKEY_LOCAL_MACHINE, fonts, "Tidewarp Fix (TrueType)"); };
    auto runKept = [&] { return testreg::ValueExists(HKEY_LOCAL_MACHINE, run, "TidewarpFix"); };
    {
        SettingsStore store;
        store.WriteFlag("enablescan", true);
        store.WriteNumber("scanperiod", 86400);
        store.WriteNumber("scannext", static_cast<std::uint32_t>(std::time(nullptr) + 86400));
    }
    Opened o(kFontsAndStartup);
    o->ButtonPressed("BUTTON_SCAN");
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    REQUIRE(o.Results().Count() == 2);
    const int font = o.Row(kKeptFont);
    REQUIRE(font >= 0);
    auto removeAll = [&] {
        o->ButtonPressed("BUTTON_REMOVE");
        REQUIRE(o->FixRunning());
        REQUIRE(PumpUntil([&] { return !o->FixRunning(); }));
    };

    SUBCASE("an automatic scan that comes due meanwhile waits until the list is removed") {
        o.Tick(font, false);
        const ScheduleTime next = o->Schedule().NextScan();
        clockShift = 2 * kDay;
        SendMessageA(o->Handle(), WM_TIMER, MainWindow::kAutoScanTimer, 0);
        CHECK_FALSE(o->Scanning());
        CHECK(o->Schedule().NextScan() > next + kDay);  // the schedule moved on all the same
        CHECK_FALSE(o.Results().Checked(font));
        removeAll();
        CHECK(fontKept());
        CHECK_FALSE(runKept());
        SendMessageA(o->Handle(), WM_TIMER, MainWindow::kAutoScanTimer, 0);
        CHECK(o->Scanning());  // the scan that was put off
        REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    }
    SUBCASE("the ticks are taken when \"Remove Errors\" is pressed; the list takes none while the fix runs") {
        o.Tick(font, false);
        o->hold = 1000;
        o->ButtonPressed("BUTTON_REMOVE");
        REQUIRE(o->FixRunning());
        CHECK_FALSE(IsWindowEnabled(o.Results().Handle()));
        CHECK_FALSE(IsWindowEnabled(o->Page(kIgnoredPage)->Handle()));
        o.Tick(font, true);  // what a click would have done
        REQUIRE(PumpUntil([&] { return !o->FixRunning(); }));
        CHECK(fontKept());
        CHECK_FALSE(runKept());
        CHECK(IsWindowEnabled(o.Results().Handle()));
        CHECK(IsWindowEnabled(o->Page(kIgnoredPage)->Handle()));
    }
    SUBCASE("as administrator in a folder others may change, Remove Errors and Restore Backup only say why") {
        testacl::OpenToEveryone open(Here());  // Wine: every process is an administrator
        REQUIRE(open.error == ERROR_SUCCESS);
        o->ButtonPressed("BUTTON_REMOVE");
        CHECK_FALSE(o->FixRunning());
        o->ButtonPressed("BUTTON_RESTORENOW");
        const std::vector<std::string> told = o.notifier.Texts();
        REQUIRE(told.size() == 2);
        CHECK(told[0] == RepairRefusal());
        CHECK(told[1] == told[0]);
        CHECK(told[0].find(Here() + " (Everyone)") != std::string::npos);
        CHECK(fontKept());
        CHECK(runKept());
        CHECK(BackupCount() == 0);
        CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);
        CHECK(o->ResultsAvailable());  // still there to be removed once started from a safe folder
    }
    SUBCASE("the row's menu: keep adds it to the ignore list at once, once; the registry editor opens at its key") {
        SkinCheckList& list = o.Results();
        auto select = [&](int row) {
            LVITEMA none{};
            none.stateMask = LVIS_SELECTED;
            SendMessageA(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
            LVITEMA one{};
            one.stateMask = one.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&one));
        };
        const int other = 1 - font;
        select(other);
        SendMessageA(list.Handle(), WM_COMMAND, ID_RESULT_REGEDIT, 0);
        REQUIRE(o->opened.size() == 1);
        CHECK(o->opened[0] == "regedit.exe");
        char lastKey[512] = "";
        DWORD size = sizeof lastKey;
        RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey",
                     RRF_RT_REG_SZ, nullptr, lastKey, &size);
        CHECK(std::string(lastKey) == "Computer\\HKEY_LOCAL_MACHINE\\" + std::string(run));
        SendMessageA(list.Handle(), WM_COMMAND, ID_RESULT_FOLDER, 0);  // not a link: nothing
        CHECK(o->opened.size() == 1);

        select(font);
        SendMessageA(list.Handle(), WM_COMMAND, ID_RESULT_KEEP, 0);
        const std::string keptLine = std::string(kKeptFont) + "\r\nfont\r\n";
        CHECK(testreg::ReadFile("ignore.lst") == std::string(kWineFonts) + keptLine);
        CHECK_FALSE(o.Results().Checked(font));
        CHECK(o.Results().Checked(other));
        const std::string file = testreg::ReadFile("ignore.lst");
        CHECK(o->Page(kIgnoredPage)->List()->Count() == std::count(file.begin(), file.end(), '\n') / 2);
        removeAll();
        CHECK(fontKept());
        CHECK_FALSE(runKept());
        CHECK(testreg::ReadFile("ignore.lst") == std::string(kWineFonts) + keptLine);  // not twice
    }
    SUBCASE("closing the quick-scan window during its removal waits for it, and \"Scan Now\" starts nothing") {
        FixGate gate;
        o->quickFixGate = &gate;
        SendMessageA(o->Handle(), WM_COMMAND, ID_TRAY_QUICKSCAN, 0);
        REQUIRE(o->QuickScan());
        CHECK_FALSE(o->ResultsAvailable());  // the main window's results may not be removed again
        o->ButtonPressed("BUTTON_SCAN");  // leaves the quick scan alone
        CHECK_FALSE(o->Scanning());
        Summary& quick = *o->QuickScan()->Window();
        REQUIRE(PumpUntil([&] { return quick.CurrentStage() == Summary::Stage::ScanComplete; }, 60000));
        const HWND window = quick.Handle();
        SendMessageA(quick.FindButton("BUTTON_FIXERROR")->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        REQUIRE(WaitForSingleObject(gate.entered.get(), 30000) == WAIT_OBJECT_0);
        PostMessageA(window, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !IsWindow(window); }, 1500);  // well past the window's wait for a scan
        CHECK(IsWindow(window));
        o->ButtonPressed("BUTTON_SCAN");
        CHECK_FALSE(o->Scanning());
        o->ButtonPressed("BUTTON_REMOVE");
        CHECK_FALSE(o->FixRunning());
        SetEvent(gate.release.get());
        REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }, 30000));
        CHECK_FALSE(IsWindow(window));
        CHECK(fontKept());  // the close came before the removal, which it cancelled
        CHECK(runKept());
        StopEvent().Reset();
    }
}

TEST_CASE("boxes are modal to the main window; a session's end waits for a fix; the tray icon comes back") {
    Fresh fresh;
    SUBCASE("a box the main window shows is owned by it") {
        tw::MessageBoxNotifier boxes;
        SettingsStore settings;
        settings.WriteText("scancategories", kNoShortcuts);
        TestWindow window(boxes, settings);
        window.realHelp = true;
        boxes.SetOwner(&window);
        REQUIRE(window.CreateModeless(nullptr));
        Pump();
        BoxWatch watch(window.Handle());
        window.ButtonPressed("BUTTON_SUPPORT");  // the help page is missing: the built-in one, until the watcher closes it
        CHECK(watch.Closed());
        CHECK(watch.owner == window.Handle());
        CHECK_FALSE(watch.mainEnabled);
    }
    SUBCASE("a logoff during a fix waits for the step under way, then the statistics are written") {
        PlantedErrors planted;
        testreg::WriteFile("ignore.lst", kWineFonts);
        Opened o("00000000100000");  // fonts only
        CHECK(SendMessageA(o->Handle(), WM_QUERYENDSESSION, 0, 0) != 0);
        o->ButtonPressed("BUTTON_SCAN");
        REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
        o->hold = 3000;
        o->ButtonPressed("BUTTON_REMOVE");
        CHECK(SendMessageA(o->Handle(), WM_QUERYENDSESSION, 0, 0) == 0);
        REQUIRE(o->FixRunning());
        REQUIRE(PumpUntil([&] { return !o->FixRunning(); }, 10000));  // the pictures are not waited for
        CHECK(o->LastFix().status == FixResult::Stopped);  // the removal had not begun
        CHECK(Stored("totalscan") == 1);
        CHECK(o.notifier.notices.empty());
        CHECK(SendMessageA(o->Handle(), WM_QUERYENDSESSION, 0, 0) != 0);
        StopEvent().Reset();
    }
    SUBCASE("Explorer's restart brings the tray icon back; without one, minimising only minimises") {
        Opened o(kNoShortcuts, false, false);
        o->ButtonPressed("BUTTON_MINIMIZE");  // before the icon is added
        CHECK(IsIconic(o->Handle()));
        CHECK(IsWindowVisible(o->Handle()));
        REQUIRE(PumpUntil([&] { return o->TrayIconShown(); }, 10000));
        NOTIFYICONDATAA icon{};
        icon.cbSize = sizeof icon;
        icon.hWnd = o->Handle();
        icon.uID = TrayIcon::kId;
        REQUIRE(Shell_NotifyIconA(NIM_DELETE, &icon));  // as a new Explorer has none of the old icons
        CHECK_FALSE(Shell_NotifyIconA(NIM_MODIFY, &icon));
        SendMessageA(o->Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        CHECK(Shell_NotifyIconA(NIM_MODIFY, &icon));
    }
}

TEST_CASE("a window destroyed during a scan waits for the scan, whenever its completion comes") {
    Fresh fresh;
    {
        Opened o;
        o->slowScan = true;
        o->earlyEnd = true;  // the wait's pump takes the completion, which lets the worker's handle go
        o->ButtonPressed("BUTTON_SCAN");
        REQUIRE(o->Scanning());
        o.window.reset();  // no Exit first: the destructor asks the scan to stop and waits
    }
    CHECK(Stored("totalscan") == 1);
}

TEST_CASE("a backup without a valid signature is restored only after the user says OK to the window's question") {
    Fresh fresh;
    const char key[] = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpAppRestore";
    testreg::ScratchKey scratch(HKEY_LOCAL_MACHINE, key);
    backup::KeyRecord record;
    record.root = backup::kLocalMachine;
    record.path = key;
    record.body.values = {{"n", REG_SZ, std::string("old\0", 4)}};
    const std::string file = CurrentFolder() + "\\Registry Backups\\2001-01-01_00-00-00.reg";
    testreg::MakeFolders(CurrentFolder() + "\\Registry Backups");
    testreg::WriteFile(file, backup::Encode({record}));  // as an older version left it: no signature
    Opened o;
    for (WPARAM command : {static_cast<WPARAM>(IDCANCEL), static_cast<WPARAM>(IDOK)}) {
        CAPTURE(command);
        BoxWatch answer(o->Handle(), nullptr, command);
        o->ButtonPressed("BUTTON_RESTORENOW");
        CHECK(answer.Closed());
        CHECK(answer.owner == o->Handle());
        CHECK(answer.text.find("The backup " + file + " cannot be shown to be one Tidewarp made") == 0);
        CHECK(answer.text.find("Restore it now?") != std::string::npos);
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, "n") == (command == IDOK));
    }
    CHECK(o.notifier.Texts() == std::vector<std::string>{"Registry Restored from Last Backup"});
}

TEST_CASE("what the window says is true: nothing to repair before a scan, a stopped scan, the current tab, the stop face") {
    Fresh fresh;
    PlantedErrors planted;
    testreg::WriteFile("ignore.lst", kWineFonts);
    Opened o(kFontsAndStartup);
    o->ButtonPressed("BUTTON_REMOVE");
    CHECK(o.notifier.Texts() == std::vector<std::string>{"Scan first: there is nothing to repair yet."});
    CHECK_FALSE(o->FixRunning());

    SkinButton& scan = *o->FindButton("BUTTON_SCAN");
    SkinButton& home = *o->FindButton("BUTTON_MAIN");
    CHECK(WindowText(scan.Handle()) == "Scan the selected error types");
    o->stopAtStartup = true;
    o->ButtonPressed("BUTTON_SCAN");
    CHECK(WindowText(scan.Handle()) == "Stop the scan");  // the stop face's own tip
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    CHECK(WindowText(scan.Handle()) == "Scan the selected error types");

    // Stopped in the start-up entries: only the fonts were scanned to their end.
    CHECK(o->ScanStopped());
    CHECK(o->PrimaryPage() == o->Page("SUBMAIN_SCAN_SUMMARY"));
    CHECK(o.Counter("TEXT_SCAN_STOPPED") == "Scan stopped: the results are incomplete");
    CHECK(o.Counter("TEXT_FOUND_FONTS") == "1");
    const std::string dash = o.Counter("TEXT_FOUND_STARTUP");
    CHECK(tw::AnsiToUtf16(dash) == u"\u2014");
    CHECK(o.Counter("TEXT_FOUND_CLSID") == dash);
    CHECK(o.Counter("TEXT_FOUND_LINK") == dash);
    Shot(*o, nullptr, "summary-stopped");

    // The scan's pages belong to the home tab: shown as the current one, and it still leads home.
    CHECK(home.Current());
    CHECK(IsWindowEnabled(home.Handle()));
    CHECK(home.ImageToDraw(false, false)->picture.get() == home.ImageOf(SkinButton::Disabled));
    o->SubPage(kSummaryPage)->ButtonPressed("BUTTON_SHOW_SCAN_RESULT");
    CHECK(o->PrimaryPage() == o->Page(kResultPage));
    CHECK(home.Current());
    o->ButtonPressed("BUTTON_IGNORED");
    CHECK_FALSE(home.Current());
    CHECK(home.ImageToDraw(false, false)->picture.get() == home.ImageOf(SkinButton::Normal));

    // A scan that ends by itself counts every area it was asked for, and says nothing more.
    o->stopAtStartup = false;
    o->ButtonPressed("BUTTON_SCAN");
    REQUIRE(PumpUntil([&] { return !o->ScanRunning(); }));
    CHECK_FALSE(o->ScanStopped());
    CHECK(o.Counter("TEXT_SCAN_STOPPED").empty());
    CHECK(o.Counter("TEXT_FOUND_STARTUP") == "1");
    CHECK(o.Counter("TEXT_FOUND_CLSID") == "0");
    CHECK(home.Current());
    o->ButtonPressed("BUTTON_MAIN");
    CHECK_FALSE(home.Current());
    CHECK_FALSE(IsWindowEnabled(home.Handle()));
    o->ButtonPressed("BUTTON_REMOVE");  // what the scan found went with the tab change
    CHECK(o.notifier.Texts().back() == "Scan first: there is nothing to repair yet.");
}

namespace {

// A key pressed and let go as the dialog manager of a modal run sees it, Shift held or not.
void PressKey(HWND dialog, WPARAM key, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        HWND target = GetFocus() ? GetFocus() : dialog;
        MSG msg{target, message, key, message == WM_KEYDOWN ? 1 : static_cast<LPARAM>(0xC0000001), static_cast<DWORD>(GetMessageTime()), {}};
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    Pump();
}

// The skin name of a button of the main screen or of its shown pages.
std::string NameOf(TestWindow& window, HWND control) {
    for (const auto& b : window.Buttons())
        if (b->Handle() == control) return b->Name();
    for (SkinPanel* page : {window.PrimaryPage(), window.SidePage()}) {
        if (!page) continue;
        for (const auto& b : page->Buttons())
            if (b->Handle() == control) return page->SkinName() + ":" + b->Name();
    }
    return "?";
}

}  // namespace

TEST_CASE("the keyboard: Tab in reading order, Enter and Space press, the focus shows, Escape stays; About from menus") {
    Fresh fresh;
    Opened o;
    SetActiveWindow(o->Handle());
    SetFocus(o->Handle());
    const std::vector<std::string> expected = {
        "BUTTON_SCAN", "BUTTON_MINIMIZE", "BUTTON_EXIT", "BUTTON_IGNORED", "BUTTON_ADVSETTINGS", "BUTTON_AUTOSCAN",
        "BUTTON_SUPPORT", "SUBMAIN_SCANGIF:BUTTON_ALL", "SUBMAIN_SCANGIF:BUTTON_COM", "SUBMAIN_SCANGIF:BUTTON_COM_SUBS",
        "SUBMAIN_SCANGIF:BUTTON_DRV", "SUBMAIN_SCANGIF:BUTTON_HELP", "SUBMAIN_SCANGIF:BUTTON_APPPATH",
        "SUBMAIN_SCANGIF:BUTTON_SHARED_TOOLS", "SUBMAIN_SCANGIF:BUTTON_FONTS", "SUBMAIN_SCANGIF:BUTTON_STARTUP",
        "SUBMAIN_SCANGIF:BUTTON_UNINSTALL", "SUBMAIN_SCANGIF:BUTTON_SHORTCUTS", "BUTTON_LIVEUPDATE",
        "BUTTON_RESTORENOW", "BUTTON_REMOVE"};
    std::vector<std::string> walked;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        PressKey(o->Handle(), VK_TAB);
        walked.push_back(NameOf(*o, GetFocus()));
    }
    CHECK(walked == expected);  // the home tab is the current one, the status lights are no controls
    PressKey(o->Handle(), VK_TAB);
    CHECK(NameOf(*o, GetFocus()) == expected.front());  // round past the end
    PressKey(o->Handle(), VK_TAB, true);
    CHECK(NameOf(*o, GetFocus()) == expected.back());
    PressKey(o->Handle(), VK_TAB, true);
    CHECK(NameOf(*o, GetFocus()) == expected[expected.size() - 2]);

    // Space ticks the focused box, as a click does; the state reads the standard way.
    SkinPanel& scanPage = *o->Page("SUBMAIN_SCANGIF");
    SkinButton& fonts = *scanPage.FindButton("BUTTON_FONTS");
    SetFocus(fonts.Handle());
    PressKey(o->Handle(), VK_SPACE);
    CHECK(scanPage.GetButtonChecked("BUTTON_FONTS") == 0);
    CHECK(SendMessageA(fonts.Handle(), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
    // The focus rectangle is drawn over the face.
    auto edge = [&] {  // the column just inside the box's left side
        std::vector<COLORREF> column;
        for (int y = 1; y < 11; ++y) column.push_back(PixelAt(fonts.Handle(), 1, y));
        return column;
    };
    const std::vector<COLORREF> focused = edge();
    SetFocus(o->FindButton("BUTTON_IGNORED")->Handle());
    CHECK(edge() != focused);
    // Enter presses the focused tab; Escape leaves the window as it is.
    PressKey(o->Handle(), VK_RETURN);
    CHECK(o->PrimaryPage() == o->Page(kIgnoredPage));
    // There: its list, then the row of its two buttons left to right (the right one placed higher).
    const std::vector<HWND> order = o->TabOrder();
    SkinPanel& ignored = *o->Page(kIgnoredPage);
    auto place = [&](HWND control) { return std::find(order.begin(), order.end(), control) - order.begin(); };
    const auto selectAll = place(ignored.FindButton("BUTTON_IGNORED_SEL_ALL")->Handle());
    CHECK(place(ignored.List()->Handle()) + 1 == selectAll);
    CHECK(place(ignored.FindButton("BUTTON_IGNORED_DELETE")->Handle()) == selectAll + 1);
    PressKey(o->Handle(), VK_ESCAPE);
    REQUIRE(o->Handle());
    CHECK(IsWindowVisible(o->Handle()));
    CHECK(WindowText(o->FindButton("BUTTON_IGNORED")->Handle()) == "List of errors not to be deleted");

    // About: in the window menu (Alt+Space) and in the tray menu.
    CHECK((GetWindowLongA(o->Handle(), GWL_STYLE) & WS_SYSMENU) != 0);
    char item[64] = {};
    CHECK(GetMenuStringA(GetSystemMenu(o->Handle(), FALSE), 16, item, sizeof item, MF_BYCOMMAND) > 0);
    CHECK(std::string(item) == "&About Tidewarp...");
    for (bool fromTray : {false, true}) {
        CAPTURE(fromTray);
        BoxWatch watch(o->Handle());
        if (fromTray)
            SendMessageA(o->Handle(), WM_COMMAND, ID_TRAY_ABOUT, 0);
        else
            SendMessageA(o->Handle(), WM_SYSCOMMAND, 16, 0);
        CHECK(watch.Closed());
        CHECK(watch.title == "About Tidewarp");
    }
}

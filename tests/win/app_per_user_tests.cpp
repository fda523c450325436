// The current user's entries in the main window: the line shown with the scan page that names the
// account whose per-user keys are read, and per-user rows in the result list and the counters.
#include "doctest.h"

#include "app/MainWindow.h"
#include "planted_errors.h"
#include "recording_notifier.h"
#include "settings/SettingsStore.h"
#include "skin_preview.h"
#include "skin_test_support.h"
#include "test_registry.h"

#include <cstdlib>
#include <map>
#include <set>

using namespace skintest;

namespace {

// The longest account name Windows gives: a 15-character computer name and a 20-character user name.
const char kOtherAccount[] = "TIDEWARP-TEST01\\AdministratorAccount";

class AccountWindow : public MainWindow {
public:
    AccountWindow(tw::Notifier& notifier, Settings& settings, const char* account)
        : MainWindow(notifier, settings), account_(account) {}

protected:
    std::string CustomSkinPath() const override { return "no such folder\\skin.ini"; }
    // Null: as the program asks, this process's user against the desktop shell's.
    std::string PerUserAccount() const override { return account_ ? account_ : MainWindow::PerUserAccount(); }

private:
    const char* account_;
};

struct Shown {
    RecordingNotifier notifier;
    SettingsStore settings;
    std::unique_ptr<AccountWindow> window;
    explicit Shown(const char* categories, const char* account = nullptr) {
        Clean();
        settings.WriteText("scancategories", categories);
        window = std::make_unique<AccountWindow>(notifier, settings, account);
        REQUIRE(window->CreateModeless(nullptr));
        Pump();
    }
    ~Shown() {
        window.reset();
        Clean();
    }
    static void Clean() {
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        DeleteFileA("ignore.lst");
    }
    std::string Text(const char* page, const char* name) { return window->Page(page)->FindText(name)->Text(); }
};

RECT ScreenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return IntersectRect(&both, &a, &b) != 0;
}

}  // namespace

TEST_CASE("the account whose per-user entries are scanned is named with the scan page only, when it is not the shell's user") {
    SUBCASE("the process's user against the shell's: no shell under Wine, so nothing is said") {
        Shown s("00000000000000");
        REQUIRE(s.window->FindText(kPerUserAccount));
        s.window->ButtonPressed("BUTTON_MAIN");
        CHECK(s.window->FindText(kPerUserAccount)->Text().empty());
    }
    SUBCASE("another account: one line, whole, clear of every page and of the repair line") {
        Shown s("00000000000000", kOtherAccount);
        SkinText& line = *s.window->FindText(kPerUserAccount);
        const std::string text = "Per-user entries are those of " + std::string(kOtherAccount) + ".";
        s.window->ButtonPressed("BUTTON_MAIN");  // the scan page with the status page beside it
        REQUIRE(s.window->PrimaryPage() == s.window->Page(kScanPage));
        CHECK(line.Text() == text);
        CHECK(IsWindowVisible(line.Handle()));
        const RECT shown = ScreenRect(line.Handle());
        for (SkinPanel* page : s.window->Pages()) {
            INFO(page->SkinName());
            CHECK_FALSE(Overlap(shown, ScreenRect(page->Handle())));
        }
        CHECK_FALSE(Overlap(shown, ScreenRect(s.window->FindText(kRepairResult)->Handle())));
        // The longest account's line fits its box on one line.
        HDC dc = GetDC(line.Handle());
        HGDIOBJ old = SelectObject(dc, line.Font());
        SIZE extent{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(line.Handle(), dc);
        RECT box{};
        GetClientRect(line.Handle(), &box);
        CHECK(extent.cx <= box.right);
        CHECK(metrics.tmHeight <= box.bottom);
        if (const char* folder = std::getenv("TW_APP_SHOTS"); folder && *folder) {
            SetWindowPos(s.window->Handle(), HWND_TOP, 12, 12, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            RedrawWindow(s.window->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Pump();
            COLORREF probe = 0;
            CHECK(SaveScreenshot(s.window->Handle(), std::string(folder) + "\\per-user-account.bmp", probe));
        }
        // Every other page leaves the line empty; the scan page brings it back.
        s.window->ButtonPressed("BUTTON_ADVSETTINGS");
        CHECK(line.Text().empty());
        s.window->ShowPage(kResultPage);
        CHECK(line.Text().empty());
        s.window->ButtonPressed("BUTTON_MAIN");
        CHECK(line.Text() == text);
        s.window->ShowPage(kSummaryPage);
        CHECK(line.Text().empty());
    }
}

TEST_CASE("per-user entries are rows of their category, under their HKEY_CURRENT_USER key, and counted there") {
    PerUserTwins twins;
    Shown s("00000010010100");  // application paths, start-up and uninstall entries
    s.window->ButtonPressed("BUTTON_SCAN");
    for (DWORD start = GetTickCount(); s.window->ScanRunning() && GetTickCount() - start < 120000; Sleep(10)) Pump();
    REQUIRE_FALSE(s.window->ScanRunning());
    Pump();

    SkinCheckList& list = *s.window->Page(kResultPage)->List();
    std::map<std::string, int> rowsOf;
    std::set<std::string> planted;
    const std::string user = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    for (int row = 0; row < list.Count(); ++row) {
        ++rowsOf[list.Cell(row, 0)];
        if (list.Cell(row, 1).find("tidewarp-missing") != std::string::npos)
            planted.insert(list.Cell(row, 0) + " | " + list.Cell(row, 1) + " | " + list.Cell(row, 2));
        // The machine-wide twins name a file that is there.
        CHECK(list.Cell(row, 2).find("HKEY_LOCAL_MACHINE\\" + twins.run + ", value \"TwPerUser\"") == std::string::npos);
    }
    const std::string missing = PerUserTwins::kMissing;
    CHECK(planted == std::set<std::string>{
                         "Invalid Application Paths | " + missing + "app.exe | " + user + "App Paths\\twperuser.exe (whole key)",
                         "Invalid Startup Entries | " + missing + "run.exe | " + user + "Run, value \"TwPerUser\"",
                         "Invalid Uninstall Entries | " + missing + "uninst.exe | " + user +
                             "Uninstall\\twperuser, value \"UninstallString\""});
    // Each counter counts every row of its category, the per-user ones with the others.
    CHECK(s.Text(kSummaryPage, "TEXT_FOUND_PATHS") == std::to_string(rowsOf["Invalid Application Paths"]));
    CHECK(s.Text(kSummaryPage, "TEXT_FOUND_STARTUP") == std::to_string(rowsOf["Invalid Startup Entries"]));
    CHECK(s.Text(kSummaryPage, "TEXT_FOUND_UNINSTALL") == std::to_string(rowsOf["Invalid Uninstall Entries"]));
    CHECK(s.Text(kSummaryPage, "TEXT_FOUND_CLSID") == "0");
}

// The backups window driven in-process: its list, restoring an older backup, the refusals it
// shares with the console program, export and delete, the keys, and how the main window opens it.
#include "doctest.h"

#include "app/BackupsWindow.h"
#include "app/MainWindow.h"
#include "backup_test_support.h"
#include "maintenance/BackupCatalog.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/RepairGuard.h"
#include "maintenance/SignatureFormat.h"
#include "recording_notifier.h"
#include "resource.h"
#include "settings/SettingsStore.h"
#include "skin_preview.h"
#include "skin_test_support.h"
#include "test_folder_acl.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <commctrl.h>

#include <cstdlib>
#include <deque>
#include <functional>

using namespace backuptest;

namespace {

const char kKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupsWindow";

// The window with the user's answers and the save dialog's choice given beforehand.
class TestBackups : public BackupsWindow {
public:
    explicit TestBackups(tw::Notifier& notifier) : BackupsWindow(&notifier) {}
    std::deque<bool> answers;  // OK unless told otherwise
    std::vector<std::string> questions;
    std::vector<std::string> suggested;
    std::string exportTo;

    std::string Cell(int row, int column) const {
        char text[512] = "";
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    int Rows() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Handle(), id)) != FALSE; }
    std::string Heading() const {
        char text[1024] = "";
        GetDlgItemTextA(Handle(), IDC_BACKUPS_FOLDER, text, sizeof text);
        return text;
    }

protected:
    bool Ask(const std::string& text, bool) override {
        questions.push_back(text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string ChooseExportFile(const std::string& name) override {
        suggested.push_back(name);
        return exportTo;
    }
};

std::string Folder() { return BackupFolderPath(); }

// A backup file of this program's name holding one value of kKey, signed unless asked not to.
std::string Plant(const std::string& name, const std::string& value, bool sign = true,
                  const char* key = kKey) {
    backup::KeyRecord r;
    r.root = backup::kLocalMachine;
    r.path = key;
    r.body.values = {{"n", REG_SZ, value + '\0'}, {"m", REG_DWORD, std::string(4, '\1')}};
    r.body.subKeys = {{"Sub", {{{"s", REG_SZ, std::string("x\0", 2)}}, {}}}};
    testreg::MakeFolders(Folder());
    const std::string path = Folder() + "\\" + name;
    testreg::WriteFile(path, backup::Encode({r}));
    if (sign) REQUIRE(backup::SignBackup(path) == 0);
    return path;
}

// A backup whose second record breaks off half-way.
std::string PlantDamaged(const std::string& name) {
    const std::string path = Plant(name, "damaged", false);
    std::string bytes = testreg::ReadFile(path);
    testreg::WriteFile(path, bytes + bytes.substr(0, bytes.size() / 2));
    return path;
}

struct Opened {
    BackupFolderScratch scratch;
    testreg::ScratchKey key{HKEY_LOCAL_MACHINE, kKey};
    RecordingNotifier notifier;
    TestBackups window{notifier};
    void Open() {
        REQUIRE(window.CreateModeless(nullptr));
        skintest::Pump();
    }
    int RowOf(const std::string& when) {
        for (int row = 0; row < window.Rows(); ++row)
            if (window.Cell(row, 0) == when) return row;
        return -1;
    }
    std::string Value() { return ReadString(HKEY_LOCAL_MACHINE, kKey, "n"); }
    std::string LastNotice() { return notifier.notices.empty() ? "" : notifier.notices.back().text; }
};

// Every waiting message, keys through the dialog manager as a modal loop hands them on.
void PumpDialog(HWND dialog) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

TEST_CASE("the backups window lists every backup newest first; the folder it makes says what the files are") {
    Opened o;
    // A real backup of a key and a shortcut: the folder is made by it.
    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "a", "1");
    testreg::SetString(HKEY_LOCAL_MACHINE, std::string(kKey) + "\\Sub", "b", "2");
    const std::string link = skintest::CurrentFolder() + "\\backups-window.lnk";
    testlink::MakeLink(link, skintest::CurrentFolder() + "\\gone.txt");
    const BackupResult made = BackupErrorKeys(OneKeyRecord("HKEY_LOCAL_MACHINE\\" + std::string(kKey)), {link});
    REQUIRE(made.status == BackupResult::Status::Saved);
    DeleteFileA(link.c_str());

    const std::string readme = testreg::ReadFile(Folder() + "\\README.txt");
    CHECK(readme.find("not registry-editor") != std::string::npos);
    CHECK(readme.find("tidewarp-cli export-reg FILE OUT.reg") != std::string::npos);
    CHECK(readme.find("\r\n") != std::string::npos);

    Plant("2001-01-01_00-00-00.reg", "first");
    Plant("2001-01-01_00-00-00_001.reg", "second");
    Plant("2001-01-02_10-20-30.reg", "third");
    PlantDamaged("2001-01-03_00-00-00.reg");
    testreg::WriteFile(Folder() + "\\notes.reg", "no backup");
    o.Open();

    char title[64] = "";
    GetWindowTextA(o.window.Handle(), title, sizeof title);
    CHECK(std::string(title) == "Tidewarp Backups");
    CHECK(o.window.Heading().find(Folder()) != std::string::npos);
    REQUIRE(o.window.Rows() == 5);
    const std::string newest = BackupTimeText(o.window.Catalog().entries[0].stamp);
    CHECK(newest.substr(0, 2) == "20");
    CHECK(o.window.Cell(0, 0) == newest);
    CHECK(o.window.Cell(0, 1) == "2");  // the key and its sub-key
    CHECK(o.window.Cell(0, 2) == "2");
    CHECK(o.window.Cell(0, 3) == "1");  // the shortcut
    CHECK(o.window.Cell(1, 0) == "2001-01-03 00:00:00");
    CHECK(o.window.Cell(1, 5).find("Damaged: ") == 0);
    CHECK(o.window.Cell(2, 0) == "2001-01-02 10:20:30");
    CHECK(o.window.Cell(3, 0) == "2001-01-01 00:00:00 (2)");
    CHECK(o.window.Cell(4, 0) == "2001-01-01 00:00:00");
    for (int row = 2; row < 5; ++row) {
        CHECK(o.window.Cell(row, 1) == "2");
        CHECK(o.window.Cell(row, 2) == "3");
        CHECK(o.window.Cell(row, 3) == "0");
        CHECK(o.window.Cell(row, 5) == "");
    }
    const std::string size = o.window.Cell(4, 4);
    CHECK_FALSE(size.empty());
    CHECK(size.find(std::to_string(testreg::ReadFile(Folder() + "\\2001-01-01_00-00-00.reg").size())) == 0);

    // The newest is selected; Enter is Restore, which a damaged backup does not offer.
    CHECK(o.window.Selected() == 0);
    CHECK(SendMessageA(o.window.Handle(), DM_GETDEFID, 0, 0) == MAKELRESULT(IDOK, DC_HASDEFID));
    CHECK(o.window.Enabled(IDOK));
    o.window.Select(1);
    CHECK_FALSE(o.window.Enabled(IDOK));
    CHECK(o.window.Enabled(IDC_BACKUPS_EXPORT));
    CHECK(o.window.Enabled(IDC_BACKUPS_DELETE));

    // The README's picture, when the pictures are taken.
    const char* shots = std::getenv("TW_APP_SHOTS");
    if (shots && *shots) {
        o.window.Select(2);
        SetWindowPos(o.window.Handle(), HWND_TOP, 12, 12, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        for (int i = 0; i < 5; ++i, Sleep(20)) skintest::Pump();
        COLORREF probe = 0;
        CHECK(skintest::SaveScreenshot(o.window.Handle(), std::string(shots) + "\\backups.bmp", probe));
    }
    const std::string help = testreg::ReadFile(testproc::ProgramFolder() + "\\help.html");
    CHECK(help.find("README.txt") != std::string::npos);
    CHECK(help.find("tidewarp-cli export-reg FILE OUT.reg") != std::string::npos);
}

TEST_CASE("an older backup is restored after the question with its date and time; Enter restores, Escape closes") {
    Opened o;
    Plant("2001-01-01_00-00-00.reg", "older");
    Plant("2001-01-02_00-00-00.reg", "newer");
    o.Open();
    const int older = o.RowOf("2001-01-01 00:00:00");
    REQUIRE(older == 1);
    o.window.Select(older);

    o.window.answers = {false};
    o.window.Restore();
    CHECK(o.window.questions == std::vector<std::string>{"Restore the registry as it was before the repair of "
                                                         "2001-01-01 00:00:00?"});
    CHECK(o.Value() == "<no value>");
    CHECK(o.notifier.notices.empty());

    // Enter in the list presses Restore, as the dialog manager hands keys on.
    PostMessageA(o.window.List(), WM_KEYDOWN, VK_RETURN, 0);
    PumpDialog(o.window.Handle());
    CHECK(o.window.questions.size() == 2);
    CHECK(o.Value() == "older");
    CHECK(ReadString(HKEY_LOCAL_MACHINE, std::string(kKey) + "\\Sub", "s") == "x");
    CHECK(o.notifier.Texts() == std::vector<std::string>{"The registry is restored as it was before the repair of "
                                                         "2001-01-01 00:00:00: 1 key record(s) written back."});

    PostMessageA(o.window.List(), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpDialog(o.window.Handle());
    CHECK(o.window.Handle() == nullptr);
}

TEST_CASE("the window keeps the console's refusals") {
    Opened o;
    SUBCASE("a damaged backup is listed as damaged, and nothing of it is written") {
        const std::string path = PlantDamaged("2001-01-01_00-00-00.reg");
        o.Open();
        o.window.Select(0);
        o.window.Restore();
        CHECK(o.window.questions.empty());
        CHECK(o.LastNotice().find("The backup of 2001-01-01 00:00:00 is damaged (") == 0);
        CHECK(o.Value() == "<no value>");
        // The restore itself refuses it too, although its first record is whole: the console's
        // restore of the same file writes that record.
        RecordingNotifier direct;
        CHECK(RestoreChosenBackup(path, direct, [](const std::string&, const std::string&) { return true; }).status ==
              RestoreResult::Status::Damaged);
        CHECK(o.Value() == "<no value>");
        CHECK(direct.Texts().at(0).find("Not restored: the backup file " + path + " is damaged") == 0);
    }
    SUBCASE("a backup whose shortcut store is damaged is listed as damaged, and nothing of it is written") {
        const std::string path = Plant("2001-01-01_00-00-00.reg", "store");
        testreg::WriteFile(Folder() + "\\" + backup::LinkStoreName("2001-01-01_00-00-00.reg"), "not a store");
        o.Open();
        CHECK(o.window.Cell(0, 5).find("Damaged: its shortcut store") == 0);
        CHECK_FALSE(o.window.Enabled(IDOK));
        RecordingNotifier direct;
        CHECK(RestoreChosenBackup(path, direct, [](const std::string&, const std::string&) { return true; }).status ==
              RestoreResult::Status::Damaged);
        CHECK(o.Value() == "<no value>");
    }
    SUBCASE("a backup without this computer's signature asks first") {
        Plant("2001-01-01_00-00-00.reg", "unsigned", false);
        o.Open();
        o.window.answers = {true, false};
        o.window.Restore();
        REQUIRE(o.window.questions.size() == 2);
        CHECK(o.window.questions[1].find("cannot be shown to be one Tidewarp made on this computer") !=
              std::string::npos);
        CHECK(o.Value() == "<no value>");
        o.window.Restore();  // OK to both
        CHECK(o.Value() == "unsigned");
    }
    SUBCASE("a key outside the scanned families is refused") {
        const std::string foreign = "Software\\TidewarpBackupsWindowForeign";
        testreg::ScratchKey scratch(HKEY_LOCAL_MACHINE, foreign);
        Plant("2001-01-01_00-00-00.reg", "foreign", true, foreign.c_str());
        o.Open();
        o.window.Restore();
        CHECK(o.LastNotice().find("which is not among the keys Tidewarp scans and repairs. Nothing was written.") !=
              std::string::npos);
        CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, foreign, "n"));
    }
    SUBCASE("a backup folder others may change refuses restores before asking") {
        Plant("2001-01-01_00-00-00.reg", "open folder");
        testacl::OpenToEveryone open(Folder());
        REQUIRE(open.error == ERROR_SUCCESS);
        o.Open();
        o.window.Restore();
        CHECK(o.window.questions.empty());
        CHECK(o.LastNotice() == RepairRefusal());
        CHECK(o.LastNotice().find("repairs and restores are turned off") != std::string::npos);
        CHECK(o.Value() == "<no value>");
    }
    SUBCASE("a backup folder that is a link is not listed") {
        const std::string elsewhere = skintest::CurrentFolder() + "\\backups-elsewhere";
        testlink::RemoveTree(elsewhere);
        testreg::MakeFolders(elsewhere);
        testreg::WriteFile(elsewhere + "\\2001-01-01_00-00-00.reg", testreg::ReadFile(Plant("2001-01-01_00-00-00.reg", "x")));
        BackupFolderScratch::Clear();
        testunix::MakeFolderLink(Folder(), elsewhere);
        o.Open();
        CHECK(o.window.Rows() == 0);
        CHECK(o.window.Heading() == LinkedBackupFolderMessage());
        CHECK_FALSE(o.window.Heading().empty());
        CHECK_FALSE(o.window.Enabled(IDOK));
        o.window.Restore();
        CHECK(o.Value() == "<no value>");
        testunix::RemoveLink(Folder());
        testlink::RemoveTree(elsewhere);
    }
}

TEST_CASE("export writes what tidewarp-cli export-reg writes; delete asks and takes the store and signature too") {
    Opened o;
    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "a", "1");
    const std::string link = skintest::CurrentFolder() + "\\backups-export.lnk";
    testlink::MakeLink(link, skintest::CurrentFolder() + "\\gone.txt");
    const BackupResult made = BackupErrorKeys(OneKeyRecord("HKEY_LOCAL_MACHINE\\" + std::string(kKey)), {link});
    REQUIRE(made.status == BackupResult::Status::Saved);
    DeleteFileA(link.c_str());
    Plant("2001-01-01_00-00-00.reg", "old");
    o.Open();
    REQUIRE(o.window.Rows() == 2);
    const std::string name = FileName(made.path);

    SUBCASE("export") {
        const std::string gui = skintest::CurrentFolder() + "\\backups-window-export.reg";
        const std::string cli = skintest::CurrentFolder() + "\\backups-window-cli.reg";
        DeleteFileA(gui.c_str());
        DeleteFileA(cli.c_str());
        o.window.exportTo = gui;
        o.window.Export();
        CHECK(o.window.suggested == std::vector<std::string>{name.substr(0, name.size() - 4) + " regedit.reg"});
        REQUIRE(testproc::Run("tidewarp-cli.exe", "export-reg \"" + name + "\" \"" + cli + "\"").exitCode == 0);
        const std::string text = testreg::ReadFile(gui);
        CHECK(text.find("REGEDIT4\r\n") == 0);
        CHECK(text.find("\"a\"=\"1\"") != std::string::npos);
        CHECK(text == testreg::ReadFile(cli));
        CHECK(o.LastNotice().find("is written to " + gui + " as a registry-editor file: 1 key record(s).") !=
              std::string::npos);
        // Never over a backup: the folder's files are refused.
        o.window.exportTo = Folder() + "\\2001-01-01_00-00-00.reg";
        const std::string before = testreg::ReadFile(o.window.exportTo);
        o.window.Export();
        CHECK(o.LastNotice().find("it lies in the backup folder") != std::string::npos);
        CHECK(testreg::ReadFile(o.window.exportTo) == before);
        o.window.exportTo = "";  // cancelled
        const std::size_t notices = o.notifier.notices.size();
        o.window.Export();
        CHECK(o.notifier.notices.size() == notices);
        DeleteFileA(gui.c_str());
        DeleteFileA(cli.c_str());
    }
    SUBCASE("restore of a backup with a shortcut puts both back and says so") {
        HKEY key = nullptr;  // the value goes as the repair removed it
        REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS);
        RegDeleteValueA(key, "a");
        RegCloseKey(key);
        REQUIRE_FALSE(testreg::FileExists(link));
        o.window.Select(0);
        o.window.Restore();
        CHECK(ReadString(HKEY_LOCAL_MACHINE, kKey, "a") == "1");
        CHECK(testreg::FileExists(link));
        REQUIRE(o.notifier.notices.size() == 2);
        CHECK(o.notifier.notices[0].text.find("1 shortcut(s) put back from ") == 0);
        CHECK(o.notifier.notices[1].text == "The registry is restored as it was before the repair of " +
                                                o.window.Cell(0, 0) +
                                                ": 1 key record(s) written back, 1 shortcut(s) put back.");
        DeleteFileA(link.c_str());
    }
    SUBCASE("delete") {
        const std::string store = Folder() + "\\" + backup::LinkStoreName(name);
        const std::string signature = Folder() + "\\" + backup::SignatureFileName(name);
        REQUIRE(testreg::FileExists(store));
        REQUIRE(testreg::FileExists(signature));
        o.window.answers = {false};
        o.window.Delete();
        CHECK(o.window.questions.back().find("Delete the backup of " + o.window.Cell(0, 0) + "?") == 0);
        CHECK(testreg::FileExists(made.path));
        o.window.Delete();
        CHECK_FALSE(testreg::FileExists(made.path));
        CHECK_FALSE(testreg::FileExists(store));
        CHECK_FALSE(testreg::FileExists(signature));
        CHECK(testreg::FileExists(Folder() + "\\README.txt"));
        REQUIRE(o.window.Rows() == 1);
        CHECK(o.window.Cell(0, 0) == "2001-01-01 00:00:00");
        CHECK(o.window.Selected() == 0);
        CHECK(o.notifier.notices.empty());
    }
}

namespace {

class TestMain : public MainWindow {
public:
    TestMain(tw::Notifier& notifier, Settings& settings) : MainWindow(notifier, settings) {}
    std::function<void(BackupsWindow&)> run;
    int runs = 0;
    bool blockedWhileOpen = false;

protected:
    std::string CustomSkinPath() const override { return "no such folder\\skin.ini"; }
    void RunBackupsWindow(BackupsWindow& window) override {
        ++runs;
        blockedWhileOpen = ScanRunning();
        if (run)
            run(window);
        else
            MainWindow::RunBackupsWindow(window);
    }
};

// From another thread: waits for the backups window of `main`'s thread, notes its owner, and
// presses Escape in it.
struct EscapeWatch {
    HWND main;
    HWND owner = nullptr;
    tw::UniqueHandle thread;
    explicit EscapeWatch(HWND m) : main(m), thread(CreateThread(nullptr, 0, &Run, this, 0, nullptr)) {}
    bool Done() { return WaitForSingleObject(thread.get(), 15000) == WAIT_OBJECT_0; }
    static DWORD WINAPI Run(void* self) {
        auto* w = static_cast<EscapeWatch*>(self);
        for (int i = 0; i < 500; ++i, Sleep(20)) {
            HWND box = FindWindowA("#32770", "Tidewarp Backups");
            if (!box || !IsWindowVisible(box)) continue;
            w->owner = GetWindow(box, GW_OWNER);
            PostMessageA(GetDlgItem(box, IDC_BACKUPS_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
            return 0;
        }
        return 1;
    }
};

}  // namespace

TEST_CASE("the tray's \"Backups...\" and the settings page's button open the window, modal to the main window") {
    BackupFolderScratch scratch;
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    RecordingNotifier notifier;
    SettingsStore settings;
    TestMain window(notifier, settings);
    REQUIRE(window.CreateModeless(nullptr));
    skintest::Pump();

    EscapeWatch watch(window.Handle());
    SendMessageA(window.Handle(), WM_COMMAND, ID_TRAY_BACKUPS, 0);  // returns when the window has closed
    CHECK(watch.Done());
    CHECK(watch.owner == window.Handle());
    CHECK(window.runs == 1);
    CHECK(window.blockedWhileOpen);  // no scan, page or schedule starts meanwhile
    CHECK(window.Backups() == nullptr);
    CHECK_FALSE(window.ScanRunning());

    // The settings page's button; a second request while it is open opens nothing more.
    window.run = [&](BackupsWindow&) { SendMessageA(window.Handle(), WM_COMMAND, ID_TRAY_BACKUPS, 0); };
    window.BuildAllPages();
    window.SubPage("SUBMAIN_ADVANCED")->ButtonPressed("BUTTON_BACKUPS");
    CHECK(window.runs == 2);
    CHECK(notifier.notices.empty());
    window.Exit();
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
}

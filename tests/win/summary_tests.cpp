// The quick-scan window on its own thread, driven by clicks on its buttons: planted errors scanned
// and removed after a backup, a backup that cannot be written, a cancel, a stop and a close.
#include "doctest.h"

#include "app/CThreadSummary.h"
#include "planted_errors.h"
#include "recording_notifier.h"
#include "registry/StopEvent.h"
#include "resource.h"
#include "test_folder_acl.h"
#include "test_links.h"
#include "test_registry.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace {

// Wine's fonts on the ignore list, so that the scan finds the planted errors only.
struct Folder : CleanFolder {
    Folder() { testreg::WriteFile("ignore.lst", kWineFonts); }
};

// Every category the scan page offers.
ScanSelection Categories() {
    ScanSelection s;
    for (int f = 1; f <= 11; ++f) s.field[f] = f != 2;
    return s;
}

struct QuickScan {
    RecordingNotifier notifier;  // told on the window's thread: read once it has ended
    std::atomic<int> ended{0};
    CThreadSummary thread;

    QuickScan() : thread(IDD_SKIN_DIALOG, nullptr, Categories(), "", [this] { ++ended; }, &notifier) {
        REQUIRE(thread.Start());
    }
    ~QuickScan() { thread.Cancel(kSummaryStopWait * 2); }

    Summary& Window() { return *thread.Window(); }
    bool Reach(Summary::Stage stage) {
        for (int i = 0; i < 1200 && !thread.Wait(0); ++i) {
            if (Window().CurrentStage() == stage) return true;
            Sleep(50);
        }
        return false;
    }
    // A click as the mouse makes it; the window's thread handles it.
    static void Click(HWND button) {
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
    void Click(const std::string& name) {
        SkinButton* button = Window().FindButton(name);
        REQUIRE(button);
        Click(button->Handle());
    }
    std::string Text(const std::string& name) {
        SkinText* text = Window().FindText(name);
        return text ? text->Text() : "(no " + name + ")";
    }
    std::vector<std::string> Row(int row) {
        std::vector<std::string> cells;
        for (int c = 0; c < 4; ++c) cells.push_back(Window().List().Cell(row, c));
        return cells;
    }
    int ColumnSum(int column) {
        int sum = 0;
        for (int r = 0; r < Window().List().Count(); ++r) sum += std::atoi(Window().List().Cell(r, column).c_str());
        return sum;
    }
};

bool AbortedSignalled(HANDLE aborted) { return WaitForSingleObject(aborted, 0) == WAIT_OBJECT_0; }

}  // namespace

TEST_CASE("a quick scan lists every category, then removes all it found after a backup") {
    Folder folder;
    PlantedErrors planted;
    const std::string links = Here() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");
    QuickScan quick;
    REQUIRE(quick.Reach(Summary::Stage::ScanComplete));

    const SkinList& list = quick.Window().List();
    REQUIRE(list.Count() == 10);  // nine registry categories and the shortcuts
    CHECK(list.Cell(9, 0) == "Missing ShortCuts");
    CHECK(list.Cell(9, 2) == "1");
    CHECK(quick.ColumnSum(2) == 11);
    CHECK(quick.Text("TEXT_SCANCOMPLETE_ERRORFOUND") == "11");
    CHECK(quick.Text("TEXT_SCANCOMPLETE_ITEMSCANNED") == std::to_string(quick.ColumnSum(1)));
    CHECK(quick.Text("TEXT_SCREENSCANCOMPLETE_TITLE") ==
          "Tidewarp has found 11 potentially dangerous bugs\nclick the button below to repair your computer");
    // Broken between words into the title's box, every line of it shown.
    SkinText& heading = *quick.Window().FindText("TEXT_SCREENSCANCOMPLETE_TITLE");
    RECT box{};
    GetClientRect(heading.Handle(), &box);
    CHECK(heading.Wraps());
    CHECK(heading.HeightAt(box.right) <= box.bottom);
    char title[64] = {};
    GetWindowTextA(quick.Window().Handle(), title, sizeof title);
    CHECK(std::string(title) == "Tidewarp Quick Scan");

    quick.Click("BUTTON_FIXERROR");
    REQUIRE(quick.Reach(Summary::Stage::FixComplete));
    CHECK(quick.Text("TEXT_FIXCOMPLETE_STATUS") == "Fixed");
    CHECK(quick.Text("TEXT_FIXCOMPLETE_FIXED") == "11");
    CHECK(quick.Text("TEXT_FIXCOMPLETE_ERRORFOUND") == "11");
    REQUIRE(quick.Window().List().Count() == 11);
    CHECK(quick.ColumnSum(3) == 11);
    CHECK(quick.Row(9)[3] == "1");
    CHECK(quick.Row(10) == std::vector<std::string>{"Spywares", "", "", ""});
    CHECK(BackupCount() == 1);
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name));
    CHECK_FALSE(testreg::FileExists(links + "\\gone.lnk"));
    CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);

    quick.Click("BUTTON_OK");
    CHECK(quick.thread.Wait(10000));
    CHECK(quick.ended == 1);
    CHECK(quick.notifier.notices.empty());
}

TEST_CASE("the quick scan removes nothing when its backup cannot be put in place or its folder is not safe") {
    Folder folder;
    PlantedErrors planted;
    std::unique_ptr<testacl::OpenToEveryone> open;
    std::string told = "Nothing was removed.";
    SUBCASE("a file where the backup folder should be") {
        testreg::WriteFile("Registry Backups", "a file where the folder should be");
    }
    SUBCASE("as administrator (Wine's every process), in a folder others may change") {
        open = std::make_unique<testacl::OpenToEveryone>(Here());
        told = "other users may change " + Here() + " (Everyone)";
    }
    QuickScan quick;
    REQUIRE(quick.Reach(Summary::Stage::ScanComplete));
    quick.Click("BUTTON_FIXERROR");
    REQUIRE(quick.Reach(Summary::Stage::FixComplete));
    CHECK(quick.Text("TEXT_FIXCOMPLETE_STATUS") == "Nothing was removed");
    CHECK(quick.Text("TEXT_FIXCOMPLETE_FIXED") == "0");
    CHECK(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name));
    quick.Click("BUTTON_OK");
    REQUIRE(quick.thread.Wait(10000));
    REQUIRE(quick.notifier.notices.size() == 1);
    CHECK(quick.notifier.notices[0].text.find(told) != std::string::npos);
}

TEST_CASE("the quick scan counts the current user's entries in their categories") {
    Folder folder;
    PerUserTwins twins;  // one broken per-user entry in each of three categories, sound machine-wide twins
    QuickScan quick;
    REQUIRE(quick.Reach(Summary::Stage::ScanComplete));
    std::map<std::string, std::string> found;
    for (int row = 0; row < quick.Window().List().Count(); ++row) found[quick.Row(row)[0]] = quick.Row(row)[2];
    CHECK(found["Invalid Application Paths"] == "1");
    CHECK(found["Invalid Startup Entries"] == "1");
    CHECK(found["Invalid Uninstall Entries"] == "1");
    CHECK(quick.ColumnSum(2) == 3);
    CHECK(quick.Text("TEXT_SCANCOMPLETE_ERRORFOUND") == "3");
    quick.Click("BUTTON_CANCEL");
    CHECK(quick.thread.Wait(10000));
}

TEST_CASE("cancel on the scan-complete screen removes nothing") {
    Folder folder;
    PlantedErrors planted;
    QuickScan quick;
    REQUIRE(quick.Reach(Summary::Stage::ScanComplete));
    quick.Click("BUTTON_CANCEL");
    CHECK(quick.thread.Wait(10000));
    CHECK(quick.ended == 1);
    CHECK(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name));
    CHECK(BackupCount() == 0);
}

TEST_CASE("a stop during the scan, or a close from another thread, ends the window and says it was aborted") {
    Folder folder;
    tw::UniqueHandle aborted(CreateEventA(nullptr, TRUE, FALSE, kAbortedEventName));
    REQUIRE(aborted);

    SUBCASE("the stop button, however early it comes") {
        ResetEvent(aborted.get());
        QuickScan quick;
        quick.Click("BUTTON_STOPSCAN");
        REQUIRE(quick.thread.Wait(20000));
        CHECK(AbortedSignalled(aborted.get()));
        CHECK(quick.ended == 1);
        CHECK_FALSE(StopEvent().IsSignalled());
    }
    SUBCASE("the main window closing: stop, and wait a bounded time") {
        ResetEvent(aborted.get());
        QuickScan quick;
        CHECK(quick.thread.Cancel(kSummaryStopWait));
        CHECK(AbortedSignalled(aborted.get()));
        CHECK(quick.ended == 1);
    }
}

TEST_CASE("a window that goes before its scan has stopped tells of its end only once the scan has ended") {
    Folder folder;
    struct StubbornScan : Summary {
        HANDLE started, release;
        StubbornScan(HANDLE s, HANDLE r) : Summary(IDD_SKIN_DIALOG, Categories(), ""), started(s), release(r) {}
        void Scan() override {  // deaf to the stop request
            SetEvent(started);
            WaitForSingleObject(release, INFINITE);
        }
        DWORD StopWait() const override { return 100; }
    };
    tw::UniqueHandle started(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    tw::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> ended{0};
    CThreadSummary thread(
        nullptr, [&] { return std::make_unique<StubbornScan>(started.get(), release.get()); }, [&] { ++ended; });
    REQUIRE(thread.Start());
    // A stop that comes before the scan has begun ends the window at once and is no test of this.
    REQUIRE(WaitForSingleObject(started.get(), 20000) == WAIT_OBJECT_0);
    CHECK_FALSE(thread.Cancel(5000));  // the window has gone, its scan has not
    CHECK(thread.Wait(0));
    CHECK(ended == 0);
    SetEvent(release.get());
    for (int i = 0; i < 2000 && ended == 0; ++i) Sleep(10);
    CHECK(ended == 1);  // told by the scan's own thread
    StopEvent().Reset();
}

TEST_CASE("a wait that pumps lets a worker that sends to this thread finish, and gives up after its time") {
    struct Sender {
        HWND target;
        static DWORD WINAPI Run(void* self) {
            SendMessageA(static_cast<Sender*>(self)->target, WM_NULL, 0, 0);
            return 0;
        }
    };
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(window);
    Sender sender{window};
    tw::UniqueHandle worker(CreateThread(nullptr, 0, &Sender::Run, &sender, 0, nullptr));
    CHECK(tw::WaitPumping(worker.get(), 10000));
    tw::UniqueHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CHECK_FALSE(tw::WaitPumping(never.get(), 100));
    DestroyWindow(window);
}

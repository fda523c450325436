#include "app/MainWindow.h"

#include "Version.h"
#include "app/HelpWindow.h"
#include "app/UserShell.h"
#include "maintenance/RegistryBackup.h"
#include "platform/Gdi.h"
#include "platform/ShellAccount.h"
#include "platform/UiThread.h"
#include "registry/StopEvent.h"
#include "resource.h"
#include "skin/SkinSource.h"

#include <ole2.h>

#include <cctype>
#include <cstring>

namespace {

const UINT kAboutCommand = 16;

const char kNothingToRepair[] = "Scan first: there is nothing to repair yet.";
const char kStopScanText[] = "Stop the scan";

// Commands the window answers although the shipped tray menu does not carry them: each shows the
// window and presses a button, when no scan runs.
struct HiddenCommand {
    UINT id;
    const char* button;
};
const HiddenCommand kHiddenCommands[] = {{32774, "BUTTON_SCAN"}, {32775, "BUTTON_AUTOSCAN"}, {32777, "BUTTON_SUPPORT"}};
const UINT kIgnoredCommand = 32776;

// The tab buttons and the page each shows.
struct Tab {
    const char* button;
    const char* page;
};
const Tab kTabs[] = {{"BUTTON_ADVSETTINGS", "SUBMAIN_ADVANCED"}, {"BUTTON_IGNORED", kIgnoredPage}};

class AboutBox : public tw::Dialog {
public:
    AboutBox() : tw::Dialog(IDD_ABOUTBOX) {}

protected:
    bool OnInitDialog() override {
        SetDlgItemTextA(Handle(), IDC_ABOUT_VERSION, "Tidewarp Version " TW_VERSION);
        return true;
    }
};

const char kMailSubject[] = "Tidewarp registry cleaner";
const char kMailBody[] =
    "I use Tidewarp to find and remove broken registry entries and shortcuts. It backs up what it "
    "removes and restores it with one click.";

// A text as it stands in an address: everything but letters, digits and "-._~" as %XX.
std::string Escaped(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c < 0x80 && std::isalnum(c)) || (c && std::strchr("-._~", c))) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

MainWindow::MainWindow(tw::Notifier& notifier, Settings& settings, ScheduleClock clock)
    : MainScreen(IDD_SKIN_DIALOG, CheckListMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL}, notifier,
                 settings, std::move(clock)),
      notifier_(notifier), settings_(settings), closingEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    registry_.SetNotifier(&notifier);
}

MainWindow::~MainWindow() {
    CloseQuickScan();
    if (WorkerRunning()) {
        closing_ = true;
        SetEvent(closingEvent_.get());
        stop_.Set();
        if (!WaitForWorker(fixRunning_ ? INFINITE : kScanStopWait)) {
            // A scanner that never looks at the stop request: the process ends with it rather than
            // pulling the windows from under it.
            WriteStatistics();
            ExitProcess(1);
        }
    }
    WriteStatistics();
    SetScanPage(nullptr);
    Destroy();
    if (oleReady_) OleUninitialize();
}

bool MainWindow::OnInitDialog() {
    // The icon goes in the notification area once the window has shown: the shell takes its time.
    SetTimer(Handle(), kTrayTimer, USER_TIMER_MINIMUM, nullptr);
    const UsageStatistics stored = ReadUsageStatistics();
    errorsRemoved_ = stored.errorsRemoved;
    scanCount_ = stored.scanCount;
    SetWindowTextA(Handle(), "Tidewarp");
    if (FAILED(OleInitialize(nullptr))) return false;
    oleReady_ = true;
    // Said only when it is known to differ from the signed-in user; nothing when it cannot be told.
    const std::string account = PerUserAccount();
    accountLine_ = account.empty() ? "" : "Per-user entries are those of " + account + ".";

    MainScreen::OnInitDialog();  // presses "BUTTON_SCAN" when a scan is to start at once
    if (!Handle()) return false;
    // While a scan runs the scan button shows its stop face and stops the scan when pressed.
    if (SkinButton* scan = FindButton("BUTTON_SCAN")) scan->SetCheckedText(kStopScanText);
    // With "autoscan" on, the scan just started chose the pages.
    std::string autoscan;
    const bool home = !settings_.ReadText(settingflags::AutoScan.value, autoscan);
    if (home) {
        ShowPage(kScanPage);
        ShowSidePage(kLampPage);
    }
    // A window menu (Alt+Space) for a window without a caption, carrying the About item.
    SetWindowLongPtrA(Handle(), GWL_STYLE, GetWindowLongPtrA(Handle(), GWL_STYLE) | WS_SYSMENU);
    char about[256] = "";
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
        if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, kAboutCommand, about);
        }
    }
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SetTimer(Handle(), kAutoScanTimer, 10000, nullptr);
    SetTimer(Handle(), kBlinkTimer, 1000, nullptr);
    if (home) ButtonPressed("BUTTON_MAIN");
    return true;
}

void MainWindow::ShowPage(const std::string& page) {
    MainScreen::ShowPage(page);
    // The scan's own pages belong to the home tab, which stays pressable to go back home.
    if (SkinButton* home = FindButton("BUTTON_MAIN")) home->SetCurrent(page == kResultPage || page == kSummaryPage);
    // The account line speaks of the scan, so it shows with the scan page only.
    const SkinPanel* primary = PrimaryPage();
    SetTextByName(kPerUserAccount, primary && primary->SkinName() == kScanPage ? accountLine_ : "");
}

bool MainWindow::TakesFocus(const SkinPanel& page) const { return page.SkinName() != kLampPage; }

bool MainWindow::BuildsAtOnce(const std::string& page) const { return page == kScanPage || page == kLampPage; }

void MainWindow::PageBuilt(SkinPanel& page) {
    MainScreen::PageBuilt(page);
    // The home page shows the version the program is built with, not the one the skin was drawn for.
    page.SetTextByName("PROGRESS_TEXT_APPLICATION_VERSION", TW_VERSION);
    if (page.SkinName() == kResultPage && page.List()) SetUpResultMenu(*page.List());
}

std::string MainWindow::PerUserAccount() const {
    return tw::AccountOtherThanShell(tw::ProcessUserSid(), tw::ShellUserSid());
}

void MainWindow::ButtonPressed(std::string name) {
    if (closing_) return;
    registry_.SetProgressCallback(&ScanProgressCallback);
    shortcuts_.SetProgressCallback(&ScanProgressCallback);
    if (name == "BUTTON_EXIT") {
        Exit();
        return;
    }
    if (name == "BUTTON_MINIMIZE") {
        // Only hides: the results stay ready to be removed when the window comes back.
        ShowWindow(Handle(), SW_SHOWMINIMIZED);
        return;
    }
    if (fixRunning_ || restoring_) return;
    if (name == "BUTTON_SCAN" && quickRunning_) return;  // the quick scan goes on
    const bool home = name == "BUTTON_MAIN";
    if (home || name == "BUTTON_SCAN") {
        if (home) {
            ShowPage(kScanPage);
            ResetLamps();
        }
        EnableAllButtons(true);
        EnableButton("BUTTON_MAIN", false);
        if (!home) {
            if (Scanning())
                StopScan();
            else
                StartScan();
            return;
        }
    }
    if (ScanRunning()) return;
    if (name == "BUTTON_REMOVE" && resultsAvailable_) {
        StartFix();
        return;
    }
    // Nothing found yet, or what was found is gone: the press says so rather than doing nothing.
    if (name == "BUTTON_REMOVE") notifier_.Notify(kNothingToRepair);
    std::string tabPage;
    for (const Tab& tab : kTabs)
        if (name == tab.button) tabPage = tab.page;
    if (name == "BUTTON_AUTOSCAN") tabPage = Schedule().Switch() ? kScheduleEnabledPage : kScheduleDisabledPage;
    if (!tabPage.empty()) {
        ShowPage(tabPage);
        EnableAllButtons(true);
        EnableButton(name, false);
    } else if (name == "BUTTON_LIVEUPDATE") {
        RecommendByMail();
    } else if (name == "BUTTON_SUPPORT") {
        OpenHelp();
    } else if (name == "BUTTON_RESTORENOW" && RefuseRepair()) {
        return;
    } else if (name == "BUTTON_RESTORENOW") {
        restoring_ = true;
        // A backup without this computer's signature may have been put there by someone else: the
        // user decides, in a question owned by this window.
        RestoreLastBackup(notifier_, [this](const std::string& path, const std::string& problem) {
            return MessageBoxA(Handle(), UnsignedRestoreQuestion(path, problem).c_str(), "Tidewarp",
                               MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
        });
        restoring_ = false;
        if (endSessionAsked_) AllowSessionEnd();
    }
    CommonEnd();
}

void MainWindow::CommonEnd() {
    resultsAvailable_ = false;
    SkinPanel* primary = PrimaryPage();
    if (primary) {
        const std::string count = primary->GetEditByName(kBackupCountEdit);
        if (!count.empty()) settings_.WriteText(kBackupCountValue, count);
        InvalidateRect(primary->Handle(), nullptr, FALSE);
    }
    if (SkinPanel* side = SidePage()) InvalidateRect(side->Handle(), nullptr, FALSE);
}

void MainWindow::Exit() {
    if (closing_) return;
    closing_ = true;
    const bool working = WorkerRunning();
    const bool scanning = working && Scanning();
    // A scan stops at its next test; a fix skips the removal if it has not begun, and otherwise
    // finishes what it does, which must not be cut short. The request comes before the fix's
    // pictures are cut short, so the fix cannot run on into the removal meanwhile.
    if (working) stop_.Set();
    SetEvent(closingEvent_.get());
    KillTimer(Handle(), kAutoScanTimer);
    KillTimer(Handle(), kTrayTimer);
    KillTimer(Handle(), kBlinkTimer);
    ShowWindow(Handle(), SW_HIDE);
    if (backups_) backups_->End(IDCANCEL);
    CloseQuickScan();
    if (working) {
        if (scanning) SetButtonChecked("BUTTON_SCAN", false);
        WaitForWorker(scanning ? kScanStopWait : INFINITE);
    }
    if (IsModal())
        End(1);
    else
        DestroyWindow(Handle());  // with its handlers attached, as a modal window goes
}

bool MainWindow::StartWorker(LPTHREAD_START_ROUTINE entry) {
    BuildAllPages();  // the worker shows pages, and only this thread can build them
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, entry, this, CREATE_SUSPENDED, &id);
    if (!thread) return false;
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    worker_.reset(thread);
    ResumeThread(thread);
    SetTimer(Handle(), kProgressTimer, kProgressPeriod, nullptr);
    return true;
}

bool MainWindow::WorkerRunning() const {
    return worker_ && WaitForSingleObject(worker_.get(), 0) == WAIT_TIMEOUT;
}

bool MainWindow::WaitForWorker(DWORD milliseconds) {
    if (WorkerRunning()) {
        // The pump may take the worker's completion, which closes worker_: the wait has its own handle.
        HANDLE own = nullptr;
        DuplicateHandle(GetCurrentProcess(), worker_.get(), GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0);
        const tw::UniqueHandle copy(own);
        if (!copy) return WaitForSingleObject(worker_.get(), milliseconds) == WAIT_OBJECT_0;
        if (!tw::WaitPumping(copy.get(), milliseconds)) return false;
    }
    // The worker's last word (its completion message) comes before the windows go.
    MSG msg;
    while (Handle() && PeekMessageA(&msg, Handle(), kScanDone, kFixDone, PM_REMOVE)) DispatchMessageA(&msg);
    return true;
}

void MainWindow::EndWorker() {
    if (!worker_) return;
    WaitForSingleObject(worker_.get(), INFINITE);  // it has posted its completion and is returning
    worker_.reset();
    KillTimer(Handle(), kProgressTimer);
    ShowLatestProgress();  // its last report, before the completion steps write over it
}

void MainWindow::Restore() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    SetFocus(Handle());
}

bool MainWindow::OnTrayCommand(UINT id) {
    if (id == ID_TRAY_OPEN) {
        Restore();
        return true;
    }
    if (id == ID_TRAY_EXIT) {
        Exit();
        return true;
    }
    if (id == kIgnoredCommand) return true;
    if (id == ID_TRAY_ABOUT) {
        ShowAbout();
        return true;
    }
    if (id == ID_TRAY_QUICKSCAN) {
        StartQuickScan();
        return true;
    }
    if (id == ID_TRAY_BACKUPS) {
        Restore();
        ShowBackups();
        return true;
    }
    for (const HiddenCommand& command : kHiddenCommands) {
        if (id != command.id) continue;
        if (!ScanRunning()) {
            Restore();
            ButtonPressed(command.button);
        }
        return true;
    }
    return false;
}

bool MainWindow::OnCommand(UINT code, UINT id, HWND control) {
    if (code == 0 && !control && OnTrayCommand(id)) return true;
    return MainScreen::OnCommand(code, id, control);
}

bool MainWindow::OnTimer(UINT_PTR id) {
    if (closing_) return true;
    if (id == kAutoScanTimer) {
        Schedule().Tick();
        if (!Schedule().Switch()) autoScanPutOff_ = false;
        if (autoScanPutOff_ && !Reviewing() && !ScanRunning()) ButtonPressed("BUTTON_SCAN");
        return true;
    }
    if (id == kBlinkTimer) {
        Blink();
        return true;
    }
    if (id == kProgressTimer) {
        ShowLatestProgress();
        return true;
    }
    if (id == kTrayTimer) {
        KillTimer(Handle(), kTrayTimer);
        tray_.Add(Handle());
        return true;
    }
    return MainScreen::OnTimer(id);
}

void MainWindow::AutomaticScanDue() {
    if (Reviewing())
        autoScanPutOff_ = true;
    else
        ButtonPressed("BUTTON_SCAN");
}

bool MainWindow::Reviewing() const {
    const SkinCheckList* list = ResultList();
    return resultsAvailable_ && list && list->Count() > 0;
}

void MainWindow::Blink() {
    SkinPanel* primary = PrimaryPage();
    const std::string page = primary ? primary->SkinName() : std::string();
    if (page == kResultPage || page == kSummaryPage) {
        if (Scanning()) return;
        SkinCheckList* list = primary->List();
        const bool rows = list && list->Count() > 0;
        SetButtonHover("BUTTON_REMOVE", rows && !GetButtonHover("BUTTON_REMOVE"));
        SetButtonHover("BUTTON_SCAN", false);
        return;
    }
    SetButtonHover("BUTTON_REMOVE", false);
    if (!Scanning()) SetButtonHover("BUTTON_SCAN", !GetButtonHover("BUTTON_SCAN"));
}

bool MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == taskbarCreated_ && msg != 0) {
        // Explorer has started again, without the icons it showed.
        if (!closing_) tray_.Add(Handle());
        result = 0;
        return true;
    }
    switch (msg) {
    case kScanDone:
        CompleteScan();
        return true;
    case kFixDone:
        CompleteFix();
        return true;
    case kQuickScanEnded:
        quickRunning_ = false;
        return true;
    case TrayIcon::kMessage:
        if (wp != TrayIcon::kId) return false;
        if (lp == WM_LBUTTONDBLCLK) {
            Restore();
            return true;
        }
        if (lp == WM_RBUTTONUP) TrayIcon::ShowMenu(Handle());
        return false;
    case WM_SIZE:
        // Without an icon in the tray the window stays on the task bar, where it can be reached.
        if (wp != SIZE_MINIMIZED || !tray_.Added()) break;
        ShowWindow(Handle(), SW_HIDE);
        return true;
    case WM_QUERYENDSESSION:
        if (!fixRunning_ && !restoring_) break;
        // Cut off half-way, a removal or restore leaves the registry half repaired: the session
        // waits while the step under way finishes (a fix skips the removal it has not begun).
        endSessionAsked_ = true;
        shutdownBlock_.Hold(Handle(), L"Repairing the registry");
        if (fixRunning_) {
            stop_.Set();
            SetEvent(closingEvent_.get());  // no picture is waited for
        }
        result = FALSE;
        return true;
    case WM_ENDSESSION:
        if (wp) WriteStatistics();  // the process ends without its destructor
        break;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) != kAboutCommand) break;
        ShowAbout();
        return true;
    case WM_PAINT:
        if (IsIconic(Handle())) {
            PaintMinimised();
            return true;
        }
        if (SkinPanel* primary = PrimaryPage()) InvalidateRect(primary->Handle(), nullptr, TRUE);
        break;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    case WM_CLOSE:
        Exit();
        return true;
    case WM_DESTROY:
        tray_.Remove();
        KillTimer(Handle(), kAutoScanTimer);
        KillTimer(Handle(), kBlinkTimer);
        break;
    default:
        break;
    }
    return MainScreen::OnMessage(msg, wp, lp, result);
}

void MainWindow::AllowSessionEnd() {
    endSessionAsked_ = false;
    WriteStatistics();
    if (!closing_) ResetEvent(closingEvent_.get());
    shutdownBlock_.Release();
}

void MainWindow::PaintMinimised() {
    tw::PaintDC paint(Handle());
    SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    RECT client{};
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.get(), x, y, icon_);
}

void MainWindow::ShowBackups() {
    if (closing_) return;
    if (backups_) return;  // already open: the tray reaches this window while that one is modal
    if (ScanRunning()) {
        notifier_.Notify("The backups can be opened when the scan or repair under way has ended.");
        return;
    }
    BackupsWindow window;
    backups_ = &window;
    window.SetRestoringHook([this](bool on) {
        restoring_ = on;
        if (!on && endSessionAsked_) AllowSessionEnd();
    });
    RunBackupsWindow(window);
    backups_ = nullptr;
    if (SkinPanel* primary = PrimaryPage()) InvalidateRect(primary->Handle(), nullptr, FALSE);
}

void MainWindow::ShowAbout() { AboutBox().RunModal(Handle()); }

std::string MainWindow::HelpPagePath() const { return ProgramFolder() + "\\help.html"; }

void MainWindow::OpenHelp() {
    // The page beside the program opens in the user's own browser; without the page, or without a
    // shell of the user's to open it, the copy built into the program shows here.
    const std::string path = HelpPagePath();
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES && OpenDocument(path)) return;
    ShowBuiltInHelp();
}

void MainWindow::ShowBuiltInHelp() { HelpWindow().RunModal(Handle()); }

void MainWindow::RecommendByMail() {
    if (OpenDocument("mailto:?subject=" + Escaped(kMailSubject) + "&body=" + Escaped(kMailBody))) return;
    // Without a shell of the user's, the mail is theirs to write: the box's text can be copied (Ctrl+C).
    notifier_.Notify(std::string("Windows could not open your mail program. To recommend Tidewarp, write a mail "
                                 "yourself:\r\n\r\nSubject: ") +
                     kMailSubject + "\r\n\r\n" + kMailBody);
}

bool MainWindow::OpenDocument(const std::string& target) { return OpenWithUserShell(target); }

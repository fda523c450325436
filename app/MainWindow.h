// Tidewarp's main window: the main screen with what its buttons, tray icon and timers do, the
// scan and fix runs on a worker thread, and the usage statistics.
//
// Threads. One worker at a time runs a scan (ScanRun.cpp) or a fix (FixRun.cpp). It changes
// elements only by the rule of SkinElementSet.h and posts its completion to the window, which runs
// the completion steps on its own thread (the result list is filled there in one pass). Exit
// never leaves a worker running: it asks it to stop and waits, pumping messages, for it to end.
// Nothing starts while a worker of this window or of the quick-scan window runs, and a logoff or
// shutdown waits for a removal or restore under way.
#pragma once

#include "app/BackupsWindow.h"
#include "app/CThreadSummary.h"
#include "app/FixFlow.h"
#include "app/Statistics.h"
#include "app/TrayIcon.h"
#include "maintenance/Shortcut.h"
#include "pages/MainScreen.h"
#include "platform/Handles.h"
#include "platform/ShutdownBlock.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>

// The pages the scan and fix runs show.
inline constexpr char kScanPage[] = "SUBMAIN_SCANGIF";  // the home page, where progress texts go
inline constexpr char kLampPage[] = "SUBMAIN_SCANSTATUS";
inline constexpr char kResultPage[] = "SUBMAIN_RESULT";
inline constexpr char kSummaryPage[] = "SUBMAIN_SCAN_SUMMARY";
// The main screen's line that says what the last repair did.
inline constexpr char kRepairResult[] = "TEXT_REPAIR_RESULT";
// The main screen's line, shown with the scan page only, that names the account whose per-user keys
// a scan reads.
inline constexpr char kPerUserAccount[] = "TEXT_PER_USER_ACCOUNT";

class MainWindow : public MainScreen {
public:
    // Posted by a worker when its run is over.
    static constexpr UINT kScanDone = WM_APP + 1;
    static constexpr UINT kFixDone = WM_APP + 2;
    // Posted when the quick-scan window has gone and its worker has ended.
    static constexpr UINT kQuickScanEnded = WM_APP + 3;
    static constexpr UINT_PTR kAutoScanTimer = 2;
    static constexpr UINT_PTR kBlinkTimer = 3;
    static constexpr UINT_PTR kTrayTimer = 4;
    // While a worker runs: shows the progress its scanners reported last, about 30 times a second.
    static constexpr UINT_PTR kProgressTimer = 5;
    static constexpr UINT kProgressPeriod = 33;
    // How long exit waits for a scan to notice the stop request.
    static constexpr DWORD kScanStopWait = 15000;
    // How long exit waits for the quick-scan window to stop and go.
    static constexpr DWORD kQuickScanWait = 10000;

    MainWindow(tw::Notifier& notifier, Settings& settings, ScheduleClock clock = SystemScheduleClock());
    // Waits for a worker still running, then writes the statistics.
    ~MainWindow() override;

    void ButtonPressed(std::string name) override;
    // Shows the page as the primary one, with its tab shown as the current one. Any thread.
    void ShowPage(const std::string& page) override;
    // The status page as the side page with every lamp red (enabled, unchecked). Any thread.
    void ResetLamps();
    // The quick-scan window over the categories ticked on the scan page, when no scan or fix runs
    // (a page's own "BUTTON_SCAN", the tray's "Quick scan"); the main window stays as it is.
    void StartQuickScan() override;
    CThreadSummary* QuickScan() const { return quick_.get(); }
    // The backups window (tray "Backups...", the settings page's button), modal to this window,
    // when no scan, fix or restore runs; while it is open nothing else starts.
    void ShowBackups() override;
    BackupsWindow* Backups() const { return backups_; }

    // Hides the window, lets a running worker end (a scan is asked to stop; a fix finishes the
    // step it is in and skips the removal when it has not begun), then ends the window.
    void Exit();

    // What the pages and the schedule ask: while a scan, fix or restore of this window or the
    // quick-scan window works on the lists, the ignore list or the registry, the pages' buttons
    // and the automatic scan wait.
    bool ScanRunning() const override {
        return Scanning() || fixRunning_ || restoring_ || quickRunning_ || backups_;
    }
    // The schedule's scan: put off while the user reviews a result list (the next timer tick
    // after the list is removed or left starts it), since a new list would tick every row again.
    void AutomaticScanDue() override;
    bool Scanning() const { return MainScreen::ScanRunning(); }
    bool FixRunning() const { return fixRunning_; }
    bool ResultsAvailable() const { return resultsAvailable_; }
    bool TrayIconShown() const { return tray_.Added(); }
    // A worker thread exists that has not ended.
    bool WorkerRunning() const;
    // False when the last exit had to give up waiting for a worker.
    bool WorkerEnded() const { return !WorkerRunning(); }
    int RegistryRowCount() const { return registryRowCount_; }
    UsageStatistics Statistics() const { return {errorsRemoved_, scanCount_}; }
    void WriteStatistics() const { WriteUsageStatistics(Statistics()); }

    // What a scanner reports while it works: the scan page shows the status text and the item, its
    // path shortened to 69 characters, on the window's next progress tick (the last report wins).
    // Runs on the worker thread.
    static void ScanProgressCallback(std::string item, std::string status, std::int32_t examined,
                                     std::int32_t found);

    // Per lamp number (1..10): the area was scanned to its end, before any stop request.
    using AreasFinished = std::array<bool, 11>;
    // The last scan ended on a stop request: its results are incomplete.
    bool ScanStopped() const { return scanStopped_; }

    CRegistryLib& Registry() { return registry_; }
    CShortcut& Shortcuts() { return shortcuts_; }
    SummaryList& Summaries() { return summaries_; }
    const FixResult& LastFix() const { return lastFix_; }

protected:
    bool OnInitDialog() override;
    // Enter and Escape do nothing.
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnCommand(UINT code, UINT id, HWND control) override;
    bool OnTimer(UINT_PTR id) override;
    // The pages the window shows first; the others are built just after it shows.
    bool BuildsAtOnce(const std::string& page) const override;
    void PageBuilt(SkinPanel& page) override;
    // The status lights are not controls: Tab passes them by.
    bool TakesFocus(const SkinPanel& page) const override;

    // The tray menu's commands (and the hidden ones the window still answers). True when handled.
    virtual bool OnTrayCommand(UINT id);
    // Has the user's desktop shell open a file or address, as the user; false when it could not.
    virtual bool OpenDocument(const std::string& target);
    // The help page built into the program, in a window of its own.
    virtual void ShowBuiltInHelp();
    // The help page shipped beside the program.
    virtual std::string HelpPagePath() const;
    // The account this process runs as when it is not the user of the desktop's shell (started
    // with another account's password: HKEY_CURRENT_USER is that account's hive); empty when both
    // are the same user, or when the shell or its user cannot be found.
    virtual std::string PerUserAccount() const;
    // What the workers run: the scan of the selected categories, and the removal.
    virtual void RunScan();
    virtual FixResult RunFix(const FixRequest& request, FixObserver& observer);
    // The quick-scan window, made on its own thread.
    virtual std::unique_ptr<Summary> MakeQuickScanWindow(const ScanSelection& selection) const;
    // Runs the backups window; the restoring hook is already set.
    virtual void RunBackupsWindow(BackupsWindow& window) { window.RunModal(Handle()); }
    // How long a progress picture of the fix stays at least.
    virtual DWORD PictureHold() const { return 300; }
    // Shows a progress picture of the fix as the side page. Worker thread.
    virtual void ShowPicture(const char* page);

    // Shows the window normally, in front, with the focus.
    void Restore();

private:
    // The scan run (ScanRun.cpp). The scan page is where progress texts go, for the fix too.
    static SkinPanel* ScanPage();
    static void SetScanPage(SkinPanel* page);
    void StartScan();
    void StopScan();
    // The categories ticked on the scan page.
    ScanSelection TickedSelection() const;
    // The result page's list (null without one).
    SkinCheckList* ResultList() const;
    // Asks the quick-scan window to stop and go, waiting a bounded time (unbounded for a removal).
    void CloseQuickScan();
    // Results listed and not yet removed or left: what a new scan's list would tick again.
    bool Reviewing() const;
    // Shows what ScanProgressCallback was told last, if it is new. Window's thread.
    static void ShowLatestProgress();
    static DWORD WINAPI ScanThreadMain(void* self);
    void CompleteScan();
    void FillResults();
    // The result list's context menu (ResultMenu.cpp).
    void SetUpResultMenu(SkinCheckList& list);
    void ResultMenuCommand(UINT command, const std::vector<int>& rows);
    void KeepRows(const std::vector<int>& rows);
    // The fix run (FixRun.cpp).
    // True, having told the user why, when repairs and restores may not run (RepairRefusal).
    bool RefuseRepair();
    void StartFix();
    static DWORD WINAPI FixThreadMain(void* self);
    void FixSteps();
    void CompleteFix();
    // The result list and the pages take no clicks while a fix runs.
    void LockPages(bool locked);
    // A logoff or shutdown held back by a removal or restore may go on; the statistics are written.
    void AllowSessionEnd();
    // The repair's line on the main screen, and in the log when it is open; an empty line clears it.
    void ShowRepairResult(const std::string& line);
    void ReportFix(const FixResult& result);
    // Waits until a picture shown at that tick count has had its time, or less when the window closes.
    void HoldPicture(DWORD shownAt) const;

    bool StartWorker(LPTHREAD_START_ROUTINE entry);
    // Pumps messages until the worker ends or the time passes; true when it ended.
    bool WaitForWorker(DWORD milliseconds);
    void EndWorker();
    void Blink();
    void PaintMinimised();
    void ShowAbout();
    void OpenHelp();
    void RecommendByMail();
    void CommonEnd();

    tw::Notifier& notifier_;
    Settings& settings_;
    CRegistryLib registry_;
    CShortcut shortcuts_;
    ScanSelection selection_{};
    SummaryList summaries_;
    FixRequest fixRequest_;  // the ticks as the user left them when pressing "BUTTON_REMOVE"
    FixResult lastFix_;
    TrayIcon tray_;
    HICON icon_ = nullptr;
    // Held open for the window's life: a named event with no handle left forgets that it was set.
    StopEvent stop_;
    tw::UniqueHandle worker_;
    std::unique_ptr<CThreadSummary> quick_;
    tw::UniqueHandle closingEvent_;
    std::atomic<bool> fixRunning_{false};
    std::atomic<bool> resultsAvailable_{false};
    bool closing_ = false;
    bool quickRunning_ = false;    // until the quick-scan window and its worker have ended
    bool restoring_ = false;
    BackupsWindow* backups_ = nullptr;  // while the backups window is open
    bool autoScanPutOff_ = false;  // an automatic scan came due while the user reviewed results
    bool endSessionAsked_ = false;
    tw::ShutdownBlock shutdownBlock_;
    const UINT taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    bool oleReady_ = false;
    // The line naming the account whose per-user keys are read; worked out once, before any page shows.
    std::string accountLine_;
    int registryRowCount_ = 0;
    AreasFinished areasFinished_{};  // written by the scan worker, read once it has ended
    bool scanStopped_ = false;
    int errorsRemoved_ = 0;
    int scanCount_ = 0;
};

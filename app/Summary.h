// The quick-scan window: a skinned window, living on a thread of its own (CThreadSummary), that
// scans the categories it is given, lists what each category found, removes all of it on request
// (after a backup) and lists what was removed. Its four screens come from the skin: scanning,
// scan complete, fixing and fix complete.
//
// Its workers use the window-free flows (ScanFlow, FixFlow), change only skin elements (the rule
// of skin/SkinElementSet.h) and report their end, and what went wrong, by posted messages; the
// window's thread waits for a worker only while it keeps pumping, and without a time limit only
// for a removal under way, which must not be cut off half-way.
#pragma once

#include "app/FixFlow.h"
#include "maintenance/Shortcut.h"
#include "platform/Handles.h"
#include "platform/Notifier.h"
#include "registry/RegistryLib.h"
#include "skin/GifAnimationHost.h"
#include "skin/SkinDialog.h"
#include "skin/SkinList.h"

#include "platform/ShutdownBlock.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

// Messages of the window.
constexpr UINT kSummaryMovieStarted = WM_USER + 10;   // the animation's start notice
constexpr UINT kSummaryMovieStopped = WM_USER + 11;   // the animation's stop notice
constexpr UINT kSummaryClose = WM_USER + 101;         // destroys the window
constexpr UINT kSummaryScanFinished = WM_USER + 103;  // posted by the scan worker as it ends
constexpr UINT kSummaryFixFinished = WM_USER + 104;   // posted by the fix worker as it ends
constexpr UINT kSummaryStartFix = WM_USER + 105;      // "BUTTON_FIXERROR", once its click is over

extern const char kSummaryTitle[];      // "Tidewarp Quick Scan"
extern const char kAbortedEventName[];  // "TIDEWARP_ABORTED": set when a stop ended a scan or fix

// How long the window waits for a worker to stop before it goes without it.
constexpr DWORD kSummaryStopWait = 10000;

class Summary : public SkinDialog {
public:
    // Where the flow stands; any thread may ask. A screen counts once it is built and filled.
    enum class Stage { Scanning, ScanComplete, Fixing, FixComplete, Closed };

    // templateId: the skinned dialogs' template; skinFilePath: where the skin description is
    // written while a screen is built; notifier: what the user is told (null: message boxes).
    Summary(UINT templateId, const ScanSelection& selection, std::string skinFilePath,
            tw::Notifier* notifier = nullptr);
    ~Summary() override;

    void ButtonPressed(std::string name) override;

    Stage CurrentStage() const { return stage_; }
    // The list of the screens that have one; read it from other threads only once the stage says
    // its screen is complete.
    const SkinList& List() const { return list_; }
    // False once the last worker has ended (or none was started).
    bool WorkerRunning() const;
    // Once the window is gone: true when a worker still runs, which then calls ended as the last
    // thing it does; false when none runs, and the caller tells of the end itself.
    bool LeaveEndToWorker(std::function<void()> ended);

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Enter, Escape and the system close: stop what runs, then go.
    void OnOK() override { Close(); }
    void OnCancel() override { Close(); }
    // What a worker's catch-all caught, told on the window's thread once the worker has ended.
    virtual void ReportWorkerFailure(const char* text, const char* caption);
    // The scan of the selected categories, on the scan worker.
    virtual void Scan();
    // The removal of everything the scan found, on the fix worker.
    virtual FixResult Fix(const FixRequest& request);
    // How long a close waits for a scan to stop before the window goes without it.
    virtual DWORD StopWait() const { return kSummaryStopWait; }

private:
    static DWORD WINAPI ScanWorker(void* self);
    static DWORD WINAPI FixWorker(void* self);
    static void Progress(std::string item, std::string status, std::int32_t examined, std::int32_t found);
    // Shows what Progress was told last, if it is new; on the window's progress timer, about 30
    // times a second while a worker runs, since two text changes per entry cost more than the scan.
    void ShowLatestProgress();

    bool StartWorker(LPTHREAD_START_ROUTINE entry);
    // The worker's last act: calls what LeaveEndToWorker left it.
    void WorkerEnded();
    // Tells what a worker's catch-all caught, if anything; true when it did.
    bool TellWorkerFailure();
    // Waits (pumping) for the worker; false when it is still running after the time.
    bool WaitForWorker(DWORD milliseconds);
    // Builds a screen from the sections named after it ("SCREENSCANCOMPLETE" and so on).
    void BuildScreen(const std::string& screen);
    void StartScanAnimation();
    void OnScanFinished();
    void StartFix();
    void OnFixFinished();
    // "Fixed", or what kept the removal from happening.
    void ShowFixOutcome(bool failed);
    // A stop ended the scan or fix: nothing more is shown, "TIDEWARP_ABORTED" is set.
    void Abort();
    void Close();
    void Notify(const std::string& text);

    ScanSelection selection_;
    std::string skinFilePath_;
    tw::Notifier* notifier_;
    CRegistryLib registry_;
    CShortcut shortcuts_;
    SummaryList summaries_;
    FixResult fix_;
    SkinList list_;
    GifAnimationHost animation_;
    tw::UniqueHandle worker_;
    HWND window_ = nullptr;  // for the workers' completion notices
    bool closing_ = false;
    bool stopRequested_ = false;  // "BUTTON_STOPSCAN" was pressed
    // Set by a worker's catch-all, read on the window's thread once the worker has ended.
    const char* failureText_ = nullptr;
    const char* failureCaption_ = nullptr;
    std::mutex workerMutex_;
    bool workerActive_ = false;            // guarded by workerMutex_
    std::function<void()> afterWorker_;    // guarded by workerMutex_
    tw::ShutdownBlock shutdownBlock_;
    std::atomic<Stage> stage_{Stage::Scanning};
    std::mutex progressLock_;  // guards the three below, written by the worker
    std::string latestStatus_;
    std::int32_t latestFound_ = 0;
    bool latestFresh_ = false;

    static std::atomic<Summary*> progressTarget_;
};

// The quick-scan window's own user-interface thread: it makes the Summary window, shows it and
// runs its message loop until the window is gone; then it tells its owner that the flow has ended.
#pragma once

#include "app/Summary.h"
#include "platform/UiThread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class CThreadSummary : public tw::UiThread {
public:
    // templateId: the skinned dialogs' template. parent: the window that started the scan (the
    // quick-scan window is a top-level window of its own; it only opens over the parent when that
    // is on screen). skinFilePath: the main screen's skin file path (empty: "profile" here).
    // ended: called on the new thread once the window is gone, whether it ended by a stop, a
    // button or a close.
    CThreadSummary(UINT templateId, HWND parent, const ScanSelection& selection, std::string skinFilePath,
                   std::function<void()> ended, tw::Notifier* notifier = nullptr);
    // Waits for the thread: only once it has ended, or after Cancel returned true. An owner whose
    // Cancel timed out leaves the object alive instead (the thread's worker still uses it).
    ~CThreadSummary() override = default;

    // The window, or null. Its own thread owns it: other threads may only read what Summary says
    // any thread may read.
    Summary* Window() const { return summary_.get(); }

    // From another thread: asks the window to stop what runs and go, and waits for the thread to
    // end while pumping this thread's messages. False when it still runs after the time.
    bool Cancel(DWORD milliseconds);

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    UINT templateId_;
    HWND parent_;
    ScanSelection selection_;
    std::string skinFilePath_;
    std::function<void()> ended_;
    tw::Notifier* notifier_;
    std::unique_ptr<Summary> summary_;
    std::atomic<HWND> window_{nullptr};
};

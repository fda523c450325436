// The quick-scan window's own user-interface thread: it makes the Summary window, shows it and
// runs its message loop until the window is gone; then it tells its owner that the flow has ended,
// or leaves that to the window's worker when one still runs (a scan that did not stop in time).
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
    // The same with a window of the caller's making (called on the new thread).
    CThreadSummary(HWND parent, std::function<std::unique_ptr<Summary>()> make, std::function<void()> ended);
    // Waits for the thread and the window's worker: only once the end was told, or after Cancel
    // returned true. An owner whose Cancel returned false leaves the object alive instead.
    ~CThreadSummary() override { Wait(INFINITE); }

    // The window, or null. Its own thread owns it: other threads may only read what Summary says
    // any thread may read.
    Summary* Window() const { return summary_.get(); }

    // From another thread: asks the window to stop what runs and go, and waits for the thread to
    // end while pumping this thread's messages; a removal under way is waited for however long it
    // takes. False when the thread or the window's worker still runs after the time.
    bool Cancel(DWORD milliseconds);

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    HWND parent_;
    std::function<std::unique_ptr<Summary>()> make_;
    std::function<void()> ended_;
    // Made on the thread and kept until this object goes, so that Cancel may ask it.
    std::unique_ptr<Summary> summary_;
    std::atomic<HWND> window_{nullptr};
};

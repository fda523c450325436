#include "app/CThreadSummary.h"

CThreadSummary::CThreadSummary(UINT templateId, HWND parent, const ScanSelection& selection, std::string skinFilePath,
                               std::function<void()> ended, tw::Notifier* notifier)
    : templateId_(templateId),
      parent_(parent),
      selection_(selection),
      skinFilePath_(std::move(skinFilePath)),
      ended_(std::move(ended)),
      notifier_(notifier) {}

bool CThreadSummary::InitInstance() {
    if (!summary_) {
        summary_ = std::make_unique<Summary>(templateId_, selection_, skinFilePath_, notifier_);
        if (!summary_->CreateModeless(nullptr)) {
            summary_.reset();
            return false;  // ExitInstance still runs, and tells of the end
        }
        SetMainWindow(summary_.get());
        window_ = summary_->Handle();
    }
    if (parent_ && IsWindowVisible(parent_) && !IsIconic(parent_)) {
        RECT over{}, own{};
        GetWindowRect(parent_, &over);
        GetWindowRect(summary_->Handle(), &own);
        SetWindowPos(summary_->Handle(), nullptr, (over.left + over.right - (own.right - own.left)) / 2,
                     (over.top + over.bottom - (own.bottom - own.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    ShowWindow(summary_->Handle(), SW_SHOW);
    return true;
}

int CThreadSummary::ExitInstance() {
    if (summary_) {
        summary_->Destroy();
        // A worker that did not stop in time still uses the window's objects: they stay with it
        // until the process ends rather than go from under it.
        if (summary_->WorkerRunning())
            static_cast<void>(summary_.release());
        else
            summary_.reset();
    }
    if (ended_) ended_();
    return 0;
}

bool CThreadSummary::Cancel(DWORD milliseconds) {
    if (!ThreadHandle()) return true;
    if (HWND window = window_) PostMessageA(window, kSummaryClose, 0, 0);
    return tw::WaitPumping(ThreadHandle(), milliseconds);
}

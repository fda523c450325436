#include "app/CThreadSummary.h"

CThreadSummary::CThreadSummary(UINT templateId, HWND parent, const ScanSelection& selection, std::string skinFilePath,
                               std::function<void()> ended, tw::Notifier* notifier)
    : CThreadSummary(
          parent,
          [=] { return std::make_unique<Summary>(templateId, selection, skinFilePath, notifier); },
          std::move(ended)) {}

CThreadSummary::CThreadSummary(HWND parent, std::function<std::unique_ptr<Summary>()> make,
                               std::function<void()> ended)
    : parent_(parent), make_(std::move(make)), ended_(std::move(ended)) {}

bool CThreadSummary::InitInstance() {
    if (!summary_) {
        summary_ = make_();
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
        if (summary_->LeaveEndToWorker(ended_)) return 0;
    }
    if (ended_) ended_();
    return 0;
}

bool CThreadSummary::Cancel(DWORD milliseconds) {
    if (!ThreadHandle()) return true;
    if (HWND window = window_) PostMessageA(window, kSummaryClose, 0, 0);
    bool ended = tw::WaitPumping(ThreadHandle(), milliseconds);
    // The window waits for a removal under way without a limit, and so does its owner.
    if (!ended && summary_ && summary_->CurrentStage() == Summary::Stage::Fixing)
        ended = tw::WaitPumping(ThreadHandle(), INFINITE);
    return ended && !(summary_ && summary_->WorkerRunning());
}

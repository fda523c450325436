#include "app/Summary.h"

#include "app/ScanFlow.h"
#include "platform/MessageBoxNotifier.h"
#include "platform/UiThread.h"
#include "registry/StopEvent.h"
#include "skin/IniFile.h"
#include "skin/SkinSource.h"

#include <utility>
#include <vector>

const char kSummaryTitle[] = "Tidewarp Quick Scan";
const char kAbortedEventName[] = "TIDEWARP_ABORTED";

std::atomic<Summary*> Summary::progressTarget_{nullptr};

namespace {

const UINT kListId = 1010;
const UINT_PTR kProgressTimer = 0x5077;
const UINT kProgressPeriod = 33;

// The event stays open for the life of the process, so whoever looks later still finds it set.
void SignalAborted() {
    static const tw::UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, kAbortedEventName));
    if (event) SetEvent(event.get());
}

std::string Number(std::int32_t n) { return std::to_string(n); }

void AddRow(SkinList& list, const std::vector<std::string>& cells) {
    const int row = list.InsertRow(list.Count(), cells.front());
    for (std::size_t c = 1; c < cells.size(); ++c) list.SetCell(row, static_cast<int>(c), cells[c]);
}

}  // namespace

Summary::Summary(UINT templateId, const ScanSelection& selection, std::string skinFilePath, tw::Notifier* notifier)
    : SkinDialog(templateId),
      selection_(selection),
      skinFilePath_(skinFilePath.empty() ? ResolveSkinFilePath() : std::move(skinFilePath)),
      notifier_(notifier) {
    registry_.SetProgressCallback(&Summary::Progress);
    shortcuts_.SetProgressCallback(&Summary::Progress);
    progressTarget_ = this;
}

Summary::~Summary() {
    Destroy();
    // Whoever owns the window lets it go only once its worker has ended; a worker never waits
    // for anything of this thread, so this returns.
    if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
    Summary* self = this;
    progressTarget_.compare_exchange_strong(self, nullptr);
}

bool Summary::WorkerRunning() const { return worker_ && WaitForSingleObject(worker_.get(), 0) == WAIT_TIMEOUT; }

void Summary::Progress(std::string, std::string status, std::int32_t, std::int32_t found) {
    Summary* target = progressTarget_;
    if (!target) return;
    std::lock_guard<std::mutex> hold(target->progressLock_);
    target->latestStatus_.swap(status);
    target->latestFound_ = found;
    target->latestFresh_ = true;
}

void Summary::ShowLatestProgress() {
    std::string status;
    std::int32_t found = 0;
    {
        std::lock_guard<std::mutex> hold(progressLock_);
        if (!latestFresh_) return;
        latestFresh_ = false;
        status.swap(latestStatus_);
        found = latestFound_;
    }
    SetTextByName("TEXT_ERRORSCAN_STATUS", status);
    SetTextByName("TEXT_ERRORSCAN_ERRORFOUND", Number(found));
}

bool Summary::OnInitDialog() {
    SetWindowTextA(Handle(), kSummaryTitle);
    // A window of its own on the task bar, with a caption to move and close it by.
    SetWindowLongPtrA(Handle(), GWL_STYLE, GetWindowLongPtrA(Handle(), GWL_STYLE) | WS_CAPTION | WS_SYSMENU);
    SetWindowLongPtrA(Handle(), GWL_EXSTYLE, GetWindowLongPtrA(Handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
    window_ = Handle();
    BuildScreen("SCREENERRORSCAN");
    RECT frame{}, work{};
    GetWindowRect(Handle(), &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, (work.left + work.right - (frame.right - frame.left)) / 2,
                 (work.top + work.bottom - (frame.bottom - frame.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    StartScanAnimation();
    StopEvent().Reset();  // a stop left over from before is not this scan's
    if (!StartWorker(&Summary::ScanWorker)) PostMessageA(Handle(), kSummaryClose, 0, 0);
    return true;
}

void Summary::BuildScreen(const std::string& screen) {
    list_.Destroy();
    Reset();
    SkinDescription skin(skinFilePath_);
    IniFile ini(skin.Path(), skin.Text());
    ScreenLine line = ParseScreenLine(ini.GetString(screen + "INFO", "1", ""));
    const ScreenImage kinds[4] = {ScreenImage::Normal, ScreenImage::Over, ScreenImage::Down, ScreenImage::Disabled};
    for (int i = 0; i < 4; ++i) LoadScreen(kinds[i], SkinImagePath(skinFilePath_, line.images[i]));
    if (line.rect.Width() > 0 && line.rect.Height() > 0) {
        RECT frame{0, 0, line.rect.Width(), line.rect.Height()};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_EXSTYLE)));
        SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LoadButtons(Handle(), ini, screen + "_BUTTONINFO", ButtonText::Empty);
    LoadTexts(Handle(), ini, screen + "_TEXTINFO");
    const std::string list = ini.GetString(screen + "_LISTINFO", "1", "");
    if (!list.empty()) list_.Create(Handle(), ParseListLine(list), SkinList::kScreenStyle, SkinList::kScreenExStyle, kListId);
    SetSkinName(line.name);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Summary::StartScanAnimation() {
    SkinDescription skin(skinFilePath_);
    const SkinRect area = ParseDimension(IniFile(skin.Path(), skin.Text()).GetString("SCANSCREENANIMATION", "DIMENSION", ""));
    CreateScanScreenAnimation(animation_, Handle(), RECT{area.left, area.top, area.right, area.bottom});
}

bool Summary::StartWorker(LPTHREAD_START_ROUTINE entry) {
    {
        std::lock_guard<std::mutex> lock(workerMutex_);
        workerActive_ = true;
    }
    worker_.reset(CreateThread(nullptr, 0, entry, this, 0, nullptr));
    if (worker_) {
        SetTimer(Handle(), kProgressTimer, kProgressPeriod, nullptr);
        return true;
    }
    std::lock_guard<std::mutex> lock(workerMutex_);
    workerActive_ = false;
    return false;
}

bool Summary::LeaveEndToWorker(std::function<void()> ended) {
    std::lock_guard<std::mutex> lock(workerMutex_);
    if (!workerActive_) return false;
    afterWorker_ = std::move(ended);
    return true;
}

void Summary::WorkerEnded() {
    std::function<void()> then;
    {
        std::lock_guard<std::mutex> lock(workerMutex_);
        workerActive_ = false;
        then.swap(afterWorker_);
    }
    if (then) then();
}

bool Summary::WaitForWorker(DWORD milliseconds) { return !worker_ || tw::WaitPumping(worker_.get(), milliseconds); }

DWORD WINAPI Summary::ScanWorker(void* param) {
    auto* self = static_cast<Summary*>(param);
    try {
        if (!StopEvent().IsSignalled()) self->Scan();
    } catch (...) {
        self->failureText_ = "Error Occured while scanning";
        self->failureCaption_ = "Scan thread";
    }
    PostMessageA(self->window_, kSummaryScanFinished, 0, 0);
    self->WorkerEnded();
    return 0;
}

DWORD WINAPI Summary::FixWorker(void* param) {
    auto* self = static_cast<Summary*>(param);
    try {
        // Everything the scan found, backed up first exactly as the main window's removal does.
        self->fix_ = self->Fix(FixRequest::AllChecked(self->registry_.Errors().size(), self->shortcuts_.Count()));
    } catch (...) {
        self->failureText_ = "Error Occured while Fixing";
        self->failureCaption_ = "Fix thread";
    }
    PostMessageA(self->window_, kSummaryFixFinished, 0, 0);
    self->WorkerEnded();
    return 0;
}

void Summary::Scan() { ScanFlow(registry_, shortcuts_).Scan(selection_, summaries_); }

FixResult Summary::Fix(const FixRequest& request) { return FixFlow(registry_, &shortcuts_).Fix(request, summaries_); }

void Summary::ReportWorkerFailure(const char* text, const char* caption) { MessageBoxA(Handle(), text, caption, MB_OK); }

bool Summary::TellWorkerFailure() {
    const char* text = std::exchange(failureText_, nullptr);
    if (text) ReportWorkerFailure(text, failureCaption_);
    return text != nullptr;
}

void Summary::OnScanFinished() {
    if (closing_) return;
    if (!WaitForWorker(kSummaryStopWait)) return Close();
    KillTimer(Handle(), kProgressTimer);
    if (!Handle() || closing_) return;  // closed while it waited
    if (stopRequested_ || StopEvent().IsSignalled()) return Abort();
    TellWorkerFailure();  // what was found until then is shown

    BuildScreen("SCREENSCANCOMPLETE");
    std::int32_t examined = 0, found = 0;
    for (const CategorySummary& s : summaries_) {
        AddRow(list_, {s.title, Number(s.examined), Number(s.found)});
        examined += s.examined;
        found += s.found;
    }
    AddRow(list_, {"Missing ShortCuts", Number(shortcuts_.ExaminedCount()), Number(shortcuts_.BrokenCount())});
    examined += shortcuts_.ExaminedCount();
    found += shortcuts_.BrokenCount();
    SetTextByName("TEXT_SCANCOMPLETE_ITEMSCANNED", Number(examined));
    SetTextByName("TEXT_SCANCOMPLETE_ERRORFOUND", Number(found));
    // Two lines that may each be longer than the box is wide: broken between words to fit.
    if (SkinText* title = FindText("TEXT_SCREENSCANCOMPLETE_TITLE")) title->SetWraps(true);
    SetTextByName("TEXT_SCREENSCANCOMPLETE_TITLE",
                  "Tidewarp has found " + Number(found) +
                      " potentially dangerous bugs\nclick the button below to repair your computer");
    stage_ = Stage::ScanComplete;
}

void Summary::StartFix() {
    if (closing_ || stage_ != Stage::ScanComplete || WorkerRunning()) return;
    EnableButton("BUTTON_FIXERROR", false);
    animation_.Destroy();
    BuildScreen("SCREENERRORFIXING");
    stage_ = Stage::Fixing;
    if (!StartWorker(&Summary::FixWorker)) Close();
}

void Summary::OnFixFinished() {
    if (closing_) return;
    if (!WaitForWorker(kSummaryStopWait)) return Close();
    KillTimer(Handle(), kProgressTimer);
    shutdownBlock_.Release();
    if (!Handle() || closing_) return;
    if (stopRequested_ || StopEvent().IsSignalled()) return Abort();
    const bool failed = TellWorkerFailure();

    BuildScreen("SCREENFIXCOMPLETE");
    std::int32_t examined = 0, found = 0, fixed = 0;
    for (const CategorySummary& s : summaries_) {
        AddRow(list_, {s.title, Number(s.examined), Number(s.found), s.fixed < 0 ? "Access Denied" : Number(s.fixed)});
        examined += s.examined;
        found += s.found;
        fixed += s.fixed;
    }
    AddRow(list_, {"Missing ShortCuts", Number(shortcuts_.ExaminedCount()), Number(shortcuts_.BrokenCount()),
                   Number(shortcuts_.DeletedCount())});
    AddRow(list_, {"Spywares"});
    examined += shortcuts_.ExaminedCount();
    found += shortcuts_.BrokenCount();
    fixed += shortcuts_.DeletedCount();
    summaries_.clear();
    SetTextByName("TEXT_FIXCOMPLETE_ITEMSCANNED", Number(examined));
    SetTextByName("TEXT_FIXCOMPLETE_ERRORFOUND", Number(found));
    SetTextByName("TEXT_FIXCOMPLETE_FIXED", Number(fixed));
    ShowFixOutcome(failed);
    stage_ = Stage::FixComplete;
}

void Summary::ShowFixOutcome(bool failed) {
    if (failed) return;  // the failure's message box has said so
    if (fix_.status == FixResult::BackupFailed || fix_.status == FixResult::Refused) {
        SetTextByName("TEXT_FIXCOMPLETE_STATUS", "Nothing was removed");
        Notify(fix_.message);
        return;
    }
    SetTextByName("TEXT_FIXCOMPLETE_STATUS", "Fixed");
}

void Summary::Abort() {
    list_.Destroy();
    summaries_.clear();
    StopEvent().Reset();
    SignalAborted();
    closing_ = true;
    stage_ = Stage::Closed;
    Destroy();
}

void Summary::Close() {
    if (closing_) return;
    closing_ = true;
    if (WorkerRunning()) {
        StopEvent().Set();
        // Pumping meanwhile: the worker may be waiting for this thread to take a message. A scan
        // is left behind after a while; a removal skips what it has not begun and finishes what
        // it has, however long that takes, before the window goes.
        if (WaitForWorker(stage_ == Stage::Fixing ? INFINITE : StopWait())) StopEvent().Reset();
        SignalAborted();
    }
    shutdownBlock_.Release();
    stage_ = Stage::Closed;
    Destroy();
}

void Summary::Notify(const std::string& text) {
    if (notifier_) {
        notifier_->Notify(text);
    } else {
        tw::MessageBoxNotifier(Handle()).Notify(text);
    }
}

void Summary::ButtonPressed(std::string name) {
    if (name == "BUTTON_STOPSCAN") {
        if (stage_ != Stage::Scanning) return;
        // Kept here too: a scan that begins after this takes the event back, and still ends as stopped.
        stopRequested_ = true;
        StopEvent().Set();
    } else if (name == "BUTTON_FIXERROR") {
        // The screen that holds the button goes: not while the button is still handling its click.
        PostMessageA(Handle(), kSummaryStartFix, 0, 0);
    } else if (name == "BUTTON_CANCEL" || name == "BUTTON_OK") {
        if (stage_ == Stage::ScanComplete || stage_ == Stage::FixComplete) summaries_.clear();
        PostMessageA(Handle(), kSummaryClose, 0, 0);
    }
}

bool Summary::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case kSummaryScanFinished:
        OnScanFinished();
        break;
    case kSummaryFixFinished:
        OnFixFinished();
        break;
    case kSummaryStartFix:
        StartFix();
        break;
    case kSummaryClose:
        Close();
        break;
    case WM_TIMER:
        if (wp != kProgressTimer) return SkinDialog::OnMessage(msg, wp, lp, result);
        ShowLatestProgress();
        break;
    case kSummaryMovieStarted:
        animation_.Invoke(GifAnimationHost::kPlay);
        break;
    case kSummaryMovieStopped:
        animation_.Invoke(GifAnimationHost::kStop);
        break;
    case WM_QUERYENDSESSION:
        if (stage_ != Stage::Fixing) return SkinDialog::OnMessage(msg, wp, lp, result);
        // A logoff or shutdown waits while the removal finishes the step it is in and skips the
        // rest; the window then goes, and the session may end.
        shutdownBlock_.Hold(Handle(), L"Repairing the registry");
        StopEvent().Set();
        break;  // answered 0: not yet
    default:
        return SkinDialog::OnMessage(msg, wp, lp, result);
    }
    result = 0;
    return true;
}

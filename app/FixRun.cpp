// The fix run of the main window: the worker that removes the checked rows with the progress
// pictures, and the way home afterwards.
#include "app/MainWindow.h"

#include "log/LogFile.h"
#include "maintenance/RepairGuard.h"
#include "skin/GifAnimationHost.h"

#include <algorithm>

namespace {

const char kCurrentItem[] = "TEXT_ERRORSCAN_CURRENTITEM";

void SetCurrentItem(SkinPanel* page, const std::string& text, bool redraw) {
    if (!page) return;
    page->SetTextByName(kCurrentItem, text);
    if (redraw) InvalidateRect(page->Handle(), nullptr, TRUE);
}

}  // namespace

bool MainWindow::RefuseRepair() {
    const std::string refused = RepairRefusal();
    if (!refused.empty()) notifier_.Notify(refused);
    return !refused.empty();
}

void MainWindow::StartFix() {
    if (RefuseRepair()) return;
    SetCurrentItem(ScanPage(), "Backup in progress", true);
    ShowPage(kResultPage);
    SkinCheckList* list = ResultList();
    if (!list || list->Count() < 1) {
        notifier_.Notify("No errors found", tw::NoticeCaption::Empty);
        SetCurrentItem(ScanPage(), "", false);
        return;
    }
    // The ticks as the list shows them now; it takes no more clicks until the fix has ended.
    fixRequest_ = FixRequest{};
    for (int row = 0; row < list->Count(); ++row)
        (row < registryRowCount_ ? fixRequest_.registryChecked : fixRequest_.shortcutChecked).push_back(list->Checked(row));
    fixRunning_ = true;
    ShowRepairResult("");
    LockPages(true);
    if (StartWorker(&FixThreadMain)) return;
    LockPages(false);
    fixRunning_ = false;
    SetCurrentItem(ScanPage(), "", false);
    notifier_.Notify("The removal could not be started; nothing was changed.");
}

void MainWindow::LockPages(bool locked) {
    for (SkinPanel* page : Pages()) EnableWindow(page->Handle(), !locked);
    if (SkinCheckList* list = ResultList()) EnableWindow(list->Handle(), !locked);
}

void MainWindow::HoldPicture(DWORD shownAt) const {
    const DWORD shown = GetTickCount() - shownAt;
    if (shown < PictureHold()) WaitForSingleObject(closingEvent_.get(), PictureHold() - shown);
}

void MainWindow::ShowPicture(const char* page) { ShowSidePage(page); }

FixResult MainWindow::RunFix(const FixRequest& request, FixObserver& observer) {
    return FixFlow(registry_, &shortcuts_).Fix(request, summaries_, &observer);
}

void MainWindow::FixSteps() {
    // The pictures follow the work: the first as the backup begins, the next three when a quarter,
    // a half and three quarters of the entries have had their turn. Each stays at least
    // PictureHold() so that it can be seen (the work waits for that, and only for that); a step
    // the work passes over at once still shows its picture, in order.
    class Pictures : public FixObserver {
    public:
        explicit Pictures(MainWindow& window) : window_(window) {}
        void OnBackupStarted() override { Reach(1); }
        void OnRemovalStarted() override { InvalidateRect(ScanPage() ? ScanPage()->Handle() : nullptr, nullptr, TRUE); }
        void OnRemovalProgress(std::size_t done, std::size_t total) override {
            const std::size_t quarters = total == 0 ? 4 : done * 4 / total;
            Reach(1 + std::min<std::size_t>(quarters, 3));
        }
        // The last picture stays its time too before the home page comes back.
        void Finish() const {
            if (shown_ > 0) window_.HoldPicture(shownAt_);
        }

    private:
        void Reach(std::size_t step) {
            static const char* const kPictures[] = {"SUBMAIN_REMOVED_ERROR01", "SUBMAIN_REMOVED_ERROR02",
                                                    "SUBMAIN_REMOVED_ERROR03", "SUBMAIN_REMOVED_ERROR"};
            for (; shown_ < step; ++shown_) {
                if (shown_ > 0) window_.HoldPicture(shownAt_);
                window_.ShowPicture(kPictures[shown_]);
                shownAt_ = GetTickCount();
            }
        }
        MainWindow& window_;
        std::size_t shown_ = 0;
        DWORD shownAt_ = 0;
    } pictures(*this);
    lastFix_ = RunFix(fixRequest_, pictures);
    pictures.Finish();
}

DWORD WINAPI MainWindow::FixThreadMain(void* self) {
    auto& window = *static_cast<MainWindow*>(self);
    try {
        window.FixSteps();
    } catch (...) {
        window.lastFix_ = FixResult{};
        window.lastFix_.status = FixResult::Stopped;
        window.lastFix_.message = "The removal stopped on an unexpected error; the last backup holds what it had removed.";
    }
    PostMessageA(window.Handle(), kFixDone, 0, 0);
    return 0;
}

void MainWindow::CompleteFix() {
    EndWorker();
    if (lastFix_.status == FixResult::Done) errorsRemoved_ += lastFix_.errorsRemoved;
    if (auto* area = dynamic_cast<GifAnimationHost*>(tw::Window::FromHandle(AnimationArea())))
        area->Invoke(GifAnimationHost::kFixEnded);
    fixRunning_ = false;
    LockPages(false);
    ShowPage(kIgnoredPage);
    if (CSubMainSkin* ignored = SubPage(kIgnoredPage)) ignored->RefillIgnoredList();
    SetCurrentItem(ScanPage(), "", false);
    if (closing_) return;
    ButtonPressed("BUTTON_MAIN");
    EnableAllButtons(true);
    EnableButton("BUTTON_MAIN", false);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    ShowRepairResult(lastFix_.ResultLine());
    if (endSessionAsked_) return AllowSessionEnd();  // no report for a session that is ending
    ReportFix(lastFix_);
}

void MainWindow::ShowRepairResult(const std::string& line) {
    SetTextByName(kRepairResult, line);
    if (!line.empty()) LogFile::Instance().WriteLine(line);
}

void MainWindow::ReportFix(const FixResult& result) {
    std::string text;
    auto add = [&](const std::string& line) { text += (text.empty() ? "" : "\n\n") + line; };
    if (result.status == FixResult::BackupFailed || result.status == FixResult::Stopped ||
        result.status == FixResult::Refused)
        add(result.message);
    if (result.ignoreListError != 0)
        add("The ignore list \"ignore.lst\" could not be saved: the rows you unchecked may be reported again.");
    if (!result.leftForKeptEntries.empty())
        add(std::to_string(result.leftForKeptEntries.size()) +
            " entries were left in place because their key holds an entry you keep or ignore.");
    std::size_t changed = 0, replaced = 0;
    for (const CShortcut::LeftLink& l : result.linksLeftByRetest) {
        changed += l.changed ? 1 : 0;
        replaced += l.replaced ? 1 : 0;
    }
    if (const std::size_t now = result.leftByRetest.size() + result.linksLeftByRetest.size() - changed - replaced)
        add(std::to_string(now) + " entries were left in place because their file exists now or cannot be checked.");
    if (changed > 0)
        add(std::to_string(changed) + " shortcuts were left in place because they changed after the backup copied them.");
    if (replaced > 0)
        add(std::to_string(replaced) +
            " shortcuts were left in place because their path no longer leads to the file the scan found.");
    if (result.leftUnsaved > 0)
        add(std::to_string(result.leftUnsaved) +
            " entries were left in place because the backup could not hold them whole.");
    if (!text.empty()) notifier_.Notify(text);
}

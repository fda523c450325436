// The fix run of the main window: the worker that removes the checked rows with the progress
// pictures, and the way home afterwards.
#include "app/MainWindow.h"

#include "maintenance/RepairGuard.h"
#include "skin/GifAnimationHost.h"

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

void MainWindow::HoldPicture() const { WaitForSingleObject(closingEvent_.get(), PictureHold()); }

FixResult MainWindow::RunFix(const FixRequest& request, FixObserver& observer) {
    return FixFlow(registry_, &shortcuts_).Fix(request, summaries_, &observer);
}

void MainWindow::FixSteps() {
    ShowSidePage("SUBMAIN_REMOVED_ERROR01");
    HoldPicture();

    // Pictures 02 and 03 at a half and three quarters of the registry rows, the last one when
    // they are all sorted.
    class Pictures : public FixObserver {
    public:
        Pictures(MainWindow& window, std::size_t quarter) : window_(window), quarter_(quarter) {}
        void OnRowsSorted(std::size_t row, std::size_t) override {
            if (row == 2 * quarter_) Show("SUBMAIN_REMOVED_ERROR02");
            if (row == 3 * quarter_) Show("SUBMAIN_REMOVED_ERROR03");
        }
        void OnBackupStarted() override { Show("SUBMAIN_REMOVED_ERROR"); }
        void OnRemovalStarted() override { InvalidateRect(ScanPage() ? ScanPage()->Handle() : nullptr, nullptr, TRUE); }

    private:
        void Show(const char* page) {
            window_.ShowSidePage(page);
            window_.HoldPicture();
        }
        MainWindow& window_;
        std::size_t quarter_;
    } pictures(*this, static_cast<std::size_t>(registryRowCount_ / 4));
    lastFix_ = RunFix(fixRequest_, pictures);
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
    if (endSessionAsked_) return AllowSessionEnd();  // no report for a session that is ending
    ReportFix(lastFix_);
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

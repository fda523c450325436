#include "app/ScanFlow.h"

#include "registry/StopEvent.h"

void ScanFlow::Scan(ScanSelection& selection, SummaryList& summaries, ScanObserver* observer) {
    if (shortcuts_) shortcuts_->Reset();
    registry_.ScanAll(summaries, selection, observer);
    if (!shortcuts_ || StopEvent().IsSignalled()) return;

    std::int32_t& field = selection.field[ScanSelection::kShortcuts];
    if (field == 0) return;
    // ScanAll has just reloaded the ignore list: a shortcut the user chose to keep stays kept.
    shortcuts_->SetIgnoreList(&registry_.IgnoreList());
    if (observer) observer->OnCategoryStarted(kShortcutLamp);
    field = 2;
    shortcuts_->ScanDrives();
    field = -1;
    if (observer) observer->OnCategoryFinished(kShortcutLamp);
    shortcuts_->SetIgnoreList(nullptr);
}

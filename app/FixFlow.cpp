#include "app/FixFlow.h"

#include "log/EventLog.h"
#include "maintenance/RepairGuard.h"
#include "registry/Categories.h"
#include "registry/StopEvent.h"

#include <algorithm>
#include <ctime>

// Up to the first write: nothing to fix, a refusal, or the unchecked rows taken out of the removal
// (onto `ignoreLib`'s list, not yet saved) and the keys that hold them spared. False when the run
// ends here.
bool FixFlow::Prepare(const FixRequest& request, FixResult& result, CRegistryLib& ignoreLib) {
    ErrorList& errors = registry_.Errors();
    const std::size_t shortcutRows = shortcuts_ ? shortcuts_->Count() : 0;
    if (errors.empty() && shortcutRows == 0) {
        result.status = FixResult::NothingToFix;
        result.message = "No errors found";
        return false;
    }
    result.message = RepairRefusal();
    if (!result.message.empty()) {
        result.status = FixResult::Refused;
        return false;
    }

    std::vector<std::string> keptKeys;  // the keys of the rows the user keeps
    for (std::size_t row = 0; row < errors.size(); ++row) {
        bool checked = row < request.registryChecked.size() && request.registryChecked[row];
        if (checked) {
            ++result.errorsRemoved;
        } else {
            keptKeys.push_back(errors[row].KeyPath());
            // Kept from the result list's menu, it may be on the list already.
            if (!HoldsEntry(ignoreLib.IgnoreList(), errors[row])) ignoreLib.IgnoreList().push_back(errors[row]);
            errors[row].SetKeyPath(std::string());  // the fix passes leave it alone
            ++result.ignored;
        }
    }
    result.leftForKeptEntries = SpareKeysOfKeptEntries(errors, keptKeys);
    result.errorsRemoved -= static_cast<int>(result.leftForKeptEntries.size());
    for (std::size_t i = 0; i < shortcutRows; ++i) {
        if (i < request.shortcutChecked.size() && request.shortcutChecked[i]) continue;
        if (shortcuts_->Path(i).empty()) continue;  // cleared earlier
        ErrorRecord kept;
        kept.SetCategory(kShortcutCategory);
        kept.SetItem(shortcuts_->Path(i));
        if (!HoldsEntry(ignoreLib.IgnoreList(), kept)) ignoreLib.IgnoreList().push_back(std::move(kept));
        shortcuts_->ClearEntry(i);
        ++result.ignored;
    }
    return true;
}

// Leaves in place the rows the backup could not hold whole, and the links it does not hold.
void FixFlow::LeaveUnsaved(const BackupResult& backup, FixResult& result) {
    ErrorList& errors = registry_.Errors();
    for (std::size_t row : backup.incomplete) {
        if (row < errors.size() && !errors[row].KeyPath().empty()) {
            errors[row].SetKeyPath(std::string());
            ++result.leftUnsaved;
            --result.errorsRemoved;
        }
    }
    for (const BackupResult::UnsavedLink& link : backup.unsavedLinks) {
        if (!shortcuts_ || !shortcuts_->ClearEntry(link.index)) continue;
        result.linksLeftUnsaved.push_back({link.index, link.reason});
        ++result.leftUnsaved;
    }
}

// What the fix passes and the shortcut deletion left and saw go.
void FixFlow::CollectOutcome(FixResult& result) {
    result.leftByRetest = registry_.LeftAtFix();
    result.errorsRemoved -= static_cast<int>(result.leftByRetest.size());
    if (shortcuts_) result.linksLeftByRetest = shortcuts_->LeftAtFix();
    result.entriesGone = static_cast<int>(registry_.GoneAtFix() + (shortcuts_ ? shortcuts_->GoneAtFix() : 0));
    const std::size_t shortcutRows = shortcuts_ ? shortcuts_->Count() : 0;
    result.keptInPlace = static_cast<int>(registry_.Errors().size() + shortcutRows) - result.entriesGone;
}

namespace {

std::size_t CheckedRows(const FixRequest& request) {
    return static_cast<std::size_t>(std::count(request.registryChecked.begin(), request.registryChecked.end(), true) +
                                    std::count(request.shortcutChecked.begin(), request.shortcutChecked.end(), true));
}

// One event per run, for the administrators' log collectors; a lost event changes nothing here.
void ReportFix(const FixResult& result, std::size_t checkedRows) {
    switch (result.status) {
    case FixResult::Done:
    case FixResult::NothingToFix:
        tw::WriteEvent(TW_EVENT_FIX_DONE, tw::EventType::Information,
                       {std::to_string(result.entriesGone), std::to_string(result.keptInPlace),
                        std::to_string(result.ignored), std::to_string(result.leftUnsaved),
                        result.backupPath.empty() ? "none" : tw::EventFileName(result.backupPath)});
        break;
    case FixResult::BackupFailed:
        tw::WriteEvent(TW_EVENT_BACKUP_FAILED, tw::EventType::Error, {std::to_string(checkedRows), result.message});
        break;
    case FixResult::Stopped:
    case FixResult::Refused:
        tw::WriteEvent(TW_EVENT_FIX_NOT_RUN, tw::EventType::Warning, {result.message});
        break;
    }
}

}  // namespace

FixResult FixFlow::Fix(const FixRequest& request, SummaryList& summaries, FixObserver* observer) {
    FixResult result = Remove(request, summaries, observer);
    ReportFix(result, CheckedRows(request));
    return result;
}

FixResult FixFlow::Remove(const FixRequest& request, SummaryList& summaries, FixObserver* observer) {
    FixResult result;
    // A second library for its ignore list: it reads "ignore.lst" as it is now.
    CRegistryLib ignoreLib;
    if (!Prepare(request, result, ignoreLib)) return result;
    result.ignoreListError = ignoreLib.SaveIgnoreList();

    if (observer) observer->OnBackupStarted();
    // Nothing is removed that the backup does not hold: no file, no removal at all; a key that
    // could not be read whole stays where it is.
    const std::vector<std::string> noLinks;
    const BackupResult backup = BackupErrorKeys(registry_.Errors(), shortcuts_ ? shortcuts_->Broken() : noLinks);
    if (!backup.SafeToFix()) {
        result.status = FixResult::BackupFailed;
        result.message = backup.message + " Nothing was removed.";
        return result;
    }
    result.backupPath = backup.path;
    // A shortcut the backup does not hold is not deleted.
    LeaveUnsaved(backup, result);
    if (shortcuts_)
        for (const BackupResult::SavedLinkStamp& link : backup.savedLinks)
            shortcuts_->SetBackupStamp(link.index, {link.size, link.written});

    if (observer) observer->OnRemovalStarted();
    if (!RunFix(summaries, observer)) {
        result.status = FixResult::Stopped;
        result.message = "The removal was stopped before it began; nothing was removed.";
        return result;
    }
    CollectOutcome(result);
    return result;
}

FixResult FixFlow::DryRun(const FixRequest& request, SummaryList& summaries, FixPlan& plan) {
    FixResult result;
    CRegistryLib ignoreLib;  // its list is never saved
    if (!Prepare(request, result, ignoreLib)) return result;
    const std::vector<std::string> noLinks;
    const BackupResult backup = CheckBackup(registry_.Errors(), shortcuts_ ? shortcuts_->Broken() : noLinks);
    if (!backup.SafeToFix()) {
        result.status = FixResult::BackupFailed;
        result.message = backup.message + " Nothing would be removed.";
        return result;
    }
    LeaveUnsaved(backup, result);
    plan.registry = registry_.PlanFix(summaries);
    if (shortcuts_) plan.links = shortcuts_->PlanFixShortcuts();
    CollectOutcome(result);
    return result;
}

std::string FixResult::ResultLine() const {
    if (status != Done) return {};
    std::string line = "Removed " + std::to_string(entriesGone) + " entries.";
    if (!backupPath.empty()) line += " Backup: " + backupPath.substr(backupPath.find_last_of("\\/") + 1);
    if (keptInPlace > 0) line += " " + std::to_string(keptInPlace) + " kept in place.";
    return line;
}

std::vector<std::size_t> FixFlow::SpareKeysOfKeptEntries(ErrorList& errors,
                                                          const std::vector<std::string>& keptKeys) {
    std::vector<std::size_t> spared;
    for (std::size_t row = 0; row < errors.size(); ++row) {
        const std::string& key = errors[row].KeyPath();
        if (key.empty() || errors[row].FixKind() != "KEY") continue;
        const bool holdsKept = std::any_of(keptKeys.begin(), keptKeys.end(),
                                           [&](const std::string& k) { return IsKeyAtOrBelow(k, key); });
        if (!holdsKept && !registry_.HoldsIgnoredEntry(key)) continue;
        errors[row].SetKeyPath(std::string());
        spared.push_back(row);
    }
    return spared;
}

namespace {

// Counts the entries' turns for the observer.
class Counter : public FixProgress {
public:
    Counter(FixObserver* observer, std::size_t total) : observer_(observer), total_(total) {
        if (observer_) observer_->OnRemovalProgress(0, total_);
    }
    void EntryDone() override {
        if (observer_ && done_ < total_) observer_->OnRemovalProgress(++done_, total_);
    }

private:
    FixObserver* observer_;
    std::size_t total_;
    std::size_t done_ = 0;
};

}  // namespace

bool FixFlow::RunFix(SummaryList& summaries, FixObserver* observer) {
    const std::string snapshot = SnapshotFileName();
    StopEvent stop;
    if (stop.IsSignalled()) return false;
    const ErrorList& errors = registry_.Errors();
    std::size_t total = static_cast<std::size_t>(
        std::count_if(errors.begin(), errors.end(), [](const ErrorRecord& r) { return !r.KeyPath().empty(); }));
    if (shortcuts_)
        for (const std::string& link : shortcuts_->Broken()) total += link.empty() ? 0 : 1;
    Counter counter(observer, total);
    registry_.FixAll(summaries, snapshot, &counter);
    if (shortcuts_ && !stop.IsSignalled()) shortcuts_->FixShortcuts(&counter);
    return true;
}

std::string FixFlow::SnapshotFileName() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    char name[128];
    if (!local || std::strftime(name, sizeof name, "FixedOn%A%B%d%Y%H%M%S.xml", local) == 0) return {};
    return name;
}

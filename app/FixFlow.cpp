#include "app/FixFlow.h"

#include "maintenance/RegistryBackup.h"
#include "registry/Categories.h"
#include "registry/StopEvent.h"

#include <ctime>

FixResult FixFlow::Fix(const FixRequest& request, SummaryList& summaries, FixObserver* observer) {
    FixResult result;
    ErrorList& errors = registry_.Errors();
    const std::size_t shortcutRows = shortcuts_ ? shortcuts_->Count() : 0;
    if (errors.empty() && shortcutRows == 0) {
        result.status = FixResult::NothingToFix;
        result.message = "No errors found";
        return result;
    }

    // A second library for its ignore list: it reads "ignore.lst" as it is now.
    CRegistryLib ignoreLib;
    for (std::size_t row = 0; row < errors.size(); ++row) {
        bool checked = row < request.registryChecked.size() && request.registryChecked[row];
        if (checked) {
            ++result.errorsRemoved;
        } else {
            ignoreLib.IgnoreList().push_back(errors[row]);
            errors[row].SetKeyPath(std::string());  // the fix passes leave it alone
            ++result.ignored;
        }
        if (observer) observer->OnRowsSorted(row, errors.size());
    }
    for (std::size_t i = 0; i < shortcutRows; ++i) {
        if (i < request.shortcutChecked.size() && request.shortcutChecked[i]) continue;
        if (shortcuts_->Path(i).empty()) continue;  // cleared earlier
        ErrorRecord kept;
        kept.SetCategory(kShortcutCategory);
        kept.SetItem(shortcuts_->Path(i));
        ignoreLib.IgnoreList().push_back(std::move(kept));
        shortcuts_->ClearEntry(i);
        ++result.ignored;
    }
    result.ignoreListError = ignoreLib.SaveIgnoreList();

    if (observer) observer->OnBackupStarted();
    // Nothing is removed that the backup does not hold: no file, no removal at all; a key that
    // could not be read whole stays where it is.
    const BackupResult backup = BackupErrorKeys(errors);
    if (!backup.SafeToFix()) {
        result.status = FixResult::BackupFailed;
        result.message = backup.message + " Nothing was removed.";
        return result;
    }
    result.backupPath = backup.path;
    for (std::size_t row : backup.incomplete) {
        if (row < errors.size() && !errors[row].KeyPath().empty()) {
            errors[row].SetKeyPath(std::string());
            ++result.leftUnsaved;
            --result.errorsRemoved;
        }
    }

    if (observer) observer->OnRemovalStarted();
    if (!RunFix(summaries)) {
        result.status = FixResult::Stopped;
        result.message = "The removal was stopped before it began; nothing was removed.";
    }
    return result;
}

bool FixFlow::RunFix(SummaryList& summaries) {
    const std::string snapshot = SnapshotFileName();
    StopEvent stop;
    if (stop.IsSignalled()) return false;
    registry_.FixAll(summaries, snapshot);
    if (shortcuts_ && !stop.IsSignalled()) shortcuts_->FixShortcuts();
    return true;
}

std::string FixFlow::SnapshotFileName() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    char name[128];
    if (!local || std::strftime(name, sizeof name, "FixedOn%A%B%d%Y%H%M%S.xml", local) == 0) return {};
    return name;
}

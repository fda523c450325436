#include "app/FixFlow.h"

#include "registry/StopEvent.h"

#include <ctime>

FixResult FixFlow::Fix(const FixRequest& request, SummaryList& summaries, FixObserver* observer) {
    FixResult result;
    ErrorList& errors = registry_.Errors();
    if (errors.empty()) {
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
    result.ignoreListError = ignoreLib.SaveIgnoreList();

    if (observer) observer->OnBackupStarted();
    // (the backup before removal comes here)

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
    return true;
}

std::string FixFlow::SnapshotFileName() {
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    char name[128];
    if (!local || std::strftime(name, sizeof name, "FixedOn%A%B%d%Y%H%M%S.xml", local) == 0) return {};
    return name;
}

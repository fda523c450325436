#include "maintenance/RestoreEvents.h"

#include "log/EventLog.h"

void ReportRestore(const RestoreResult& result, const std::string& lastNotice) {
    const std::string file = result.file.empty() ? "none" : tw::EventFileName(result.file);
    if (result.status == RestoreResult::Status::Restored) {
        const std::size_t linksLeft = result.linksExisting.size() + result.linksFailed.size();
        tw::WriteEvent(TW_EVENT_RESTORE_DONE, result.Complete() ? tw::EventType::Information : tw::EventType::Warning,
                       {file, std::to_string(result.recordsApplied), std::to_string(result.keyFailures),
                        std::to_string(result.valueFailures), std::to_string(result.linksRestored),
                        std::to_string(linksLeft)});
        return;
    }
    std::string why = lastNotice;
    if (why.empty() && result.status == RestoreResult::Status::Unsigned)
        why = "its signature could not be checked and the restore was not confirmed.";
    tw::WriteEvent(TW_EVENT_RESTORE_FAILED, tw::EventType::Error, {file, why});
}

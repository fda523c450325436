// The removal as one piece of code with no window in it, shared by the main window's fix worker and
// the console program: unchecked rows go to the ignore list, the rest is backed up, then removed.
#pragma once

#include "registry/RegistryLib.h"

#include <string>
#include <vector>

// Told where the run is, so a window can show its progress pictures.
class FixObserver {
public:
    virtual ~FixObserver() = default;
    virtual void OnRowsSorted(std::size_t /*row*/, std::size_t /*rows*/) {}
    virtual void OnBackupStarted() {}
    virtual void OnRemovalStarted() {}
};

struct FixRequest {
    std::vector<bool> registryChecked;  // one flag per record of the error list, in list order
};

struct FixResult {
    enum Status {
        Done,          // the fix passes ran
        NothingToFix,  // the scan found nothing
        Stopped,       // the stop event was set before the removal began: nothing removed
        BackupFailed,  // the backup could not be written: nothing removed
    } status = Done;
    int errorsRemoved = 0;         // checked registry rows
    int ignored = 0;               // rows moved to the ignore list
    long ignoreListError = 0;      // non-zero: "ignore.lst" could not be saved (Win32 error)
    std::string message;           // what went wrong, for the user
};

class FixFlow {
public:
    explicit FixFlow(CRegistryLib& registry) : registry_(registry) {}

    FixResult Fix(const FixRequest& request, SummaryList& summaries, FixObserver* observer = nullptr);

    // The removal itself once the bookkeeping is done: the snapshot name, the fix passes, each
    // behind a stop test. False when a stop was requested before anything was removed.
    bool RunFix(SummaryList& summaries);

    // "FixedOn%A%B%d%Y%H%M%S.xml" for the local time now (empty when the time cannot be converted).
    static std::string SnapshotFileName();

private:
    CRegistryLib& registry_;
};

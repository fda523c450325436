// The removal as one piece of code with no window in it, shared by the main window's fix worker and
// the console program: unchecked rows go to the ignore list, the rest is backed up, then removed.
#pragma once

#include "maintenance/RegistryBackup.h"
#include "maintenance/Shortcut.h"
#include "registry/RegistryLib.h"

#include <string>
#include <vector>

// Told where the run is, on the thread that runs it, so a window can show its progress pictures.
class FixObserver {
public:
    virtual ~FixObserver() = default;
    virtual void OnBackupStarted() {}
    virtual void OnRemovalStarted() {}
    // Once as the removal begins (done 0), then each time an entry to remove has had its turn:
    // done of total, the registry records first, then the shortcut files.
    virtual void OnRemovalProgress(std::size_t /*done*/, std::size_t /*total*/) {}
};

struct FixRequest {
    std::vector<bool> registryChecked;  // one flag per record of the error list, in list order
    std::vector<bool> shortcutChecked;  // one flag per entry of the broken-shortcut list

    // Every row checked: a removal of all that the scan found, for the flows that show no check boxes.
    static FixRequest AllChecked(std::size_t registryRows, std::size_t shortcutRows) {
        return {std::vector<bool>(registryRows, true), std::vector<bool>(shortcutRows, true)};
    }
};

struct FixResult {
    enum Status {
        Done,          // the fix passes ran
        NothingToFix,  // the scan found nothing
        Stopped,       // the stop event was set before the removal began: nothing removed
        BackupFailed,  // the backup could not be written or moved into place: nothing removed
        Refused,       // run as administrator from a folder others may change (RepairRefusal): nothing done
    } status = Done;
    int errorsRemoved = 0;         // checked registry rows (shortcut rows are not counted)
    int entriesGone = 0;           // rows whose entries are gone after the run: registry records and links
    int keptInPlace = 0;           // the other rows of the result list
    int ignored = 0;               // rows moved to the ignore list
    int leftUnsaved = 0;           // rows left in place because the backup could not hold them whole
    struct LinkLeft {
        std::size_t index;  // in the broken-shortcut list
        std::string reason;
    };
    std::vector<LinkLeft> linksLeftUnsaved;  // the shortcut rows among them, and why
    // Checked rows whose whole key a fix would have removed although that key, or one below it,
    // holds a row the user keeps or an entry the scan passed over as ignored: left in place.
    std::vector<std::size_t> leftForKeptEntries;  // rows of the error list
    // Checked rows tested again just before their removal and left in place: their file is there
    // now or out of reach now (or, for a key, that of an entry it holds). Registry rows are rows of
    // the error list; links are indices of the broken-shortcut list.
    std::vector<CRegistryLib::LeftRecord> leftByRetest;
    std::vector<CShortcut::LeftLink> linksLeftByRetest;
    std::string backupPath;        // the backup written before the removal (empty: nothing to back up)
    long ignoreListError = 0;      // non-zero: "ignore.lst" could not be saved (Win32 error)
    std::string message;           // what went wrong, for the user

    // "Removed N entries. Backup: NAME" (NAME without its folder; no backup part when none was
    // written), then " K kept in place." when rows were left; empty unless the fix passes ran.
    std::string ResultLine() const;
};

class FixFlow {
public:
    explicit FixFlow(CRegistryLib& registry, CShortcut* shortcuts = nullptr)
        : registry_(registry), shortcuts_(shortcuts) {}

    // The removal, then one event in the Application log telling how it went.
    FixResult Fix(const FixRequest& request, SummaryList& summaries, FixObserver* observer = nullptr);

    // What Fix would do with the same request, found on the same path without writing anything:
    // no ignore list, no backup, no snapshot, no removal. The result is the one Fix would give
    // when every file can be written and no key or value changes meanwhile (no backup path); the plan
    // says what becomes of each row. The lists of the scan are changed as Fix changes them.
    struct FixPlan {
        std::vector<CRegistryLib::PlannedFix> registry;  // by row of the error list
        std::vector<CShortcut::PlannedDelete> links;     // by index of the broken-shortcut list
    };
    FixResult DryRun(const FixRequest& request, SummaryList& summaries, FixPlan& plan);

    // The removal itself once the bookkeeping is done: the snapshot name, the fix passes and the
    // shortcut deletion, each behind a stop test. False when a stop was requested before anything
    // was removed.
    bool RunFix(SummaryList& summaries, FixObserver* observer = nullptr);

    // "FixedOn%A%B%d%Y%H%M%S.xml" for the local time now (empty when the time cannot be converted).
    static std::string SnapshotFileName();

private:
    FixResult Remove(const FixRequest& request, SummaryList& summaries, FixObserver* observer);
    bool Prepare(const FixRequest& request, FixResult& result, CRegistryLib& ignoreLib);
    void LeaveUnsaved(const BackupResult& backup, FixResult& result);
    void CollectOutcome(FixResult& result);
    // Leaves in place (empties the key path of) every checked "KEY" row whose key holds, at or
    // below it, a kept row's key or an entry the scan passed over as ignored; returns those rows.
    std::vector<std::size_t> SpareKeysOfKeptEntries(ErrorList& errors, const std::vector<std::string>& keptKeys);

    CRegistryLib& registry_;
    CShortcut* shortcuts_;
};

// CShortcut: broken shortcut files (".lnk" whose target is gone) in the folders of the fixed drives.
// The scan fills a list of their paths in walk order; the results screen and the ignore action
// address entries by index, so an entry is blanked (ClearEntry), never removed, during a run.
#pragma once

#include "maintenance/LinkRemoval.h"
#include "registry/ErrorRecord.h"
#include "registry/FileProbe.h"
#include "registry/FixProgress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CShortcut {
public:
    CShortcut();
    ~CShortcut();
    CShortcut(const CShortcut&) = delete;
    CShortcut& operator=(const CShortcut&) = delete;

    // Receives (path, status text, examined count, broken count) on the scanning thread.
    void SetProgressCallback(ScanProgressCallback callback) { progress_ = callback; }
    // Broken shortcuts whose path is the item of a record on this list are not listed. The list
    // must outlive the scan; null (the default) lists every broken shortcut.
    void SetIgnoreList(const ErrorList* ignored) { ignored_ = ignored; }

    // Empties the list and sets the counts to 0.
    void Reset();

    // The whole scan: resets, then walks the folders of every fixed drive. Shortcuts lying in a
    // drive's root folder are not examined. Returns at once when a stop is already requested.
    void ScanDrives();
    // Walks the subfolders of folder (without a trailing backslash), depth first: the shortcuts of
    // each subfolder, then its progress call, then its own subfolders. Each folder is listed once.
    // Folders whose path holds "System Volume Information" are passed over with their subtrees, and
    // so are folder links (junctions, symbolic links, mount points), folders whose content is not
    // on the disk, and folders already walked under another name in this scan. A stop request ends
    // the walk before the next folder entry, keeping what was found.
    void RecurseFolder(const std::string& folder);
    // Examines the ".lnk" files lying directly in folder, except those not on the disk.
    void SearchLinkFileAndResolve(const std::string& folder);
    // Examines one shortcut file; lists it when its target is known and missing. The target is the
    // path as the link stores it (never resolved, never made short: either could reach a network
    // host), with environment strings expanded. A target out of reach (not on a local fixed drive
    // that is there now, see FileProbe) is never tested and not listed as broken; the link goes
    // to Unreachable(). A listed link's file identity is recorded for the fix.
    void CheckLinkFile(const std::string& path);

    // Deletes the listed files (read-only ones too), skipping cleared entries; the list stays.
    // Each link's target is tested again just before: a link whose target is there now, or out of
    // reach now, stays (LeftAtFix). So does a link whose file no longer matches its backup copy,
    // and one whose path no longer leads to the very file the scan found (see LinkRemoval.h).
    // progress hears of each entry that is not cleared once its turn is over.
    void FixShortcuts(FixProgress* progress = nullptr);
    // What FixShortcuts would do with each entry, found without deleting anything: the same second
    // look at the target and the same test that the path still leads to the file the scan found.
    // LeftAtFix and GoneAtFix are set as FixShortcuts would set them; DeletedCount is 0.
    enum class PlannedDelete {
        Nothing,  // a cleared entry
        Delete,
        Gone,  // nothing of that name is there now
        Left,  // see LeftAtFix
    };
    std::vector<PlannedDelete> PlanFixShortcuts();
    // What the backup copy of the entry at index was taken from: its size and last-write time
    // (FILETIME ticks). Set after the backup; a new scan forgets it. Entries without one are
    // deleted without this test.
    using LinkStamp = linkfile::FileStamp;
    void SetBackupStamp(std::size_t index, LinkStamp stamp);
    // Blanks the entry at index so it is not deleted; later entries keep their indices.
    // Returns false (and changes nothing) for an index outside the list.
    bool ClearEntry(std::size_t index);

    std::size_t Count() const { return broken_.size(); }
    const std::string& Path(std::size_t index) const { return broken_.at(index); }
    const std::vector<std::string>& Broken() const { return broken_; }
    // The target each listed link names, as tested (same indices as Broken()).
    const std::string& Target(std::size_t index) const { return targets_.at(index); }

    // Links whose target could not be checked in the last scan: never listed as broken.
    struct UnreachableLink {
        std::string path;
        std::string target;
    };
    const std::vector<UnreachableLink>& Unreachable() const { return unreachable_; }
    // Entries the last fix left in place, and whether their target was there (Present) or out of
    // reach (CannotCheck) when it was tested again, or the file had changed since its backup copy
    // was taken (changed; state Present), or its path led to another file than the scan found
    // (replaced; state Present).
    struct LeftLink {
        std::size_t index;
        FileState state;
        bool changed = false;
        bool replaced = false;
    };
    const std::vector<LeftLink>& LeftAtFix() const { return leftAtFix_; }
    std::int32_t ExaminedCount() const { return examined_; }
    std::int32_t BrokenCount() const { return brokenCount_; }
    std::int32_t DeletedCount() const { return deleted_; }
    // The links the last FixShortcuts saw go: deleted, or gone already when it came to them.
    std::size_t GoneAtFix() const { return goneAtFix_; }

private:
    class Walk;
    class Lister;
    struct Listing;

    void WalkFolders(const std::string& folder, const Listing& listing);
    void ExamineLinks(const std::string& folder, const Listing& listing);

    bool StopRequested() const;
    bool IsIgnored(const std::string& path) const;
    FileState TestTarget(const std::string& target);
    // The second look before entry i is deleted (or planned): true, with the reason in leftAtFix_,
    // when its target is there again or out of reach, or the scan holds no identity to check it by.
    bool KeptAtFix(std::size_t i);
    void Progress(const std::string& item, const char* status, std::int32_t examined, std::int32_t found) const;

    std::vector<std::string> broken_;
    std::vector<std::string> targets_;  // parallel to broken_
    std::vector<std::optional<linkfile::FileIdentity>> identities_;  // parallel to broken_: as scanned
    std::vector<UnreachableLink> unreachable_;
    std::vector<LeftLink> leftAtFix_;
    std::vector<std::optional<LinkStamp>> backupStamps_;  // by index into broken_, when set
    FileProbe probe_;  // drive types, remembered for one scan or one fix
    std::int32_t examined_ = 0;
    std::int32_t deleted_ = 0;
    std::size_t goneAtFix_ = 0;
    std::int32_t brokenCount_ = 0;
    ScanProgressCallback progress_ = nullptr;
    const ErrorList* ignored_ = nullptr;
    Walk* walk_ = nullptr;  // the stop monitor and COM apartment of the running walk
};

// What a walk does with one entry of a folder listing, from its name and attributes: walks it as a
// folder, examines it as a shortcut file, or passes over it. Folder links are never followed (they
// may lead back up the tree or onto another volume), and nothing whose content is not on the disk
// is opened: cloud placeholders (OneDrive "files on demand") would be downloaded.
enum class WalkEntry { kSkip, kFolder, kLink };
WalkEntry ClassifyWalkEntry(std::uint32_t attributes, const char* name);

constexpr char kScanningShortcutsText[] = "Scanning ShortCuts";
constexpr char kSearchingDirText[] = "Searching Dir For Shorcuts";
constexpr char kFixingShortcutsText[] = "Fixing ShortCuts";
constexpr char kSystemVolumeInformation[] = "System Volume Information";

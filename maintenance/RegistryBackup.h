// The registry backup taken before a fix removes anything, and its restore.
#pragma once

#include "maintenance/BackupFormat.h"
#include "platform/Notifier.h"
#include "registry/ErrorRecord.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct BackupResult {
    enum class Status {
        NothingToBackUp,  // no file was written: no record has a key path, or every key named is
                          // gone or listed in `incomplete`
        Saved,            // the backup file is complete and in place under `path`
        Failed,           // no backup file: it could not be written or moved into place
    };
    Status status = Status::NothingToBackUp;
    std::string path;
    std::size_t recordsSaved = 0;
    DWORD error = ERROR_SUCCESS;  // Failed: the Win32 error
    std::string message;          // Failed: what went wrong, for the user
    // Records (indexes into the list given) whose key exists but could not be saved in full: a key
    // or sub-key that could not be opened, a value that could not be read, or a name or text below
    // it that the code page cannot spell (no copy of those is written at all). Removing them could
    // not be undone from the backup.
    std::vector<std::size_t> incomplete;
    // The shortcut files kept in the store beside the file, and those (indexes into the list given)
    // that are not, with the reason: they must not be deleted.
    std::size_t linksSaved = 0;
    struct UnsavedLink {
        std::size_t index;
        std::string reason;
    };
    std::vector<UnsavedLink> unsavedLinks;
    // What each kept link's copy was taken from (its size and last-write time): a link that no
    // longer matches its copy when the fix comes would not come back as it was.
    struct SavedLinkStamp {
        std::size_t index;
        std::uint64_t size;
        std::uint64_t written;
    };
    std::vector<SavedLinkStamp> savedLinks;
    // Saved: 0 when the signature file lies beside the backup; otherwise the Win32 error, and the
    // backup restores only after the user confirms it like one of unknown origin.
    DWORD signatureError = ERROR_SUCCESS;

    // Whether the fix may remove anything at all, and whether it may remove record `index`.
    bool SafeToFix() const { return status != Status::Failed; }
    bool SafeToFix(std::size_t index) const;
};

// Saves every key ("KEY" records, with all values and sub-keys) and value ("VAL" records) that the
// records name into a new file in "Registry Backups", keeping the five newest files, and every
// shortcut file of `links` (empty entries take no part) into the store beside it. Records with an
// empty key path take no part; when nothing is left to keep, nothing is written. A fix of links
// alone writes an empty registry file, so that the newest backup is the one that holds them. Both
// files are built under temporary names in the current directory and moved into place only when
// complete. Call it with the records and links about to be removed; remove nothing unless
// SafeToFix() says so, and no link listed in `unsavedLinks`.
BackupResult BackupErrorKeys(const ErrorList& records, const std::vector<std::string>& links = {});

// What BackupErrorKeys would keep and leave out of these records and links, read the same way but
// without writing anything: `incomplete`, `unsavedLinks`, `recordsSaved` and `linksSaved` as it
// would set them when its files can be written. Failed when it would fail for certain: the backup
// folder is a link, or a file lies in its place.
BackupResult CheckBackup(const ErrorList& records, const std::vector<std::string>& links = {});

struct RestoreResult {
    enum class Status {
        Restored,    // every record applied (single values or sub-keys may still have failed)
        NotFound,    // no backup file, or it could not be read
        KeysFailed,  // at least one top-level key could be neither opened nor created
        Damaged,     // the file is damaged: the records before the damage were applied, none after
        Refused,     // nothing written: the backup holds a key outside the families Tidewarp scans
        Unsigned,    // nothing written: no valid signature, and the restore was not confirmed
    };
    Status status = Status::NotFound;
    std::string file;
    std::size_t recordsApplied = 0;
    int keyFailures = 0;
    int valueFailures = 0;
    std::string damage;
    // The shortcut files of the store beside the file.
    std::size_t linksRestored = 0;
    std::vector<std::string> linksExisting;  // not put back: a file of that name lies there now
    std::vector<std::string> linksFailed;    // not put back: path and reason
    std::string linkDamage;                  // the store is damaged or unreadable: what is wrong

    bool Complete() const {
        return status == Status::Restored && keyFailures == 0 && valueFailures == 0 && linksFailed.empty() &&
               linkDamage.empty();
    }
};

// Asked before a backup without a valid signature is written back (path, what is wrong with its
// signature); the restore goes on only on true.
using ConfirmUnsigned = std::function<bool(const std::string& path, const std::string& problem)>;

// Writes the newest backup (by the time in its name) back into the registry and puts back the
// shortcut files kept beside it, never over a file that exists now; deletes nothing. The whole
// backup is checked before anything is written: one key outside the families the scanners look at
// and nothing is restored; without a valid signature it is restored only when `confirm` says so
// (without `confirm`, never). Every failure and the final "Registry Restored from Last Backup" go
// through the notifier.
RestoreResult RestoreLastBackup(tw::Notifier& notifier, const ConfirmUnsigned& confirm = nullptr);
// The same for a backup file chosen by the user.
RestoreResult RestoreBackupFile(const std::string& path, tw::Notifier& notifier,
                                const ConfirmUnsigned& confirm = nullptr);

// The backups window's restore of one backup the user chose: as RestoreBackupFile, but a backup
// whose file or shortcut store is damaged is refused whole (nothing is written for it), and the
// last-backup message is not given: the caller says what was restored.
RestoreResult RestoreChosenBackup(const std::string& path, tw::Notifier& notifier, const ConfirmUnsigned& confirm);

// The question the window asks before it restores a backup without a valid signature.
std::string UnsignedRestoreQuestion(const std::string& path, const std::string& problem);

namespace backup {

enum class ReadOutcome {
    Complete,     // everything below the key, exactly
    Partial,      // something present could not be read and is left out
    Unspellable,  // a name or text below the key has no exact narrow form: nothing may be kept
};
// Reads an open key's values and, recursively, its sub-keys, in their wide form, with buffers as
// large as the key's largest name and data. Stops at the first name or text it cannot spell.
ReadOutcome ReadKeyBody(HKEY key, KeyBody& body);
// Writes a body into an open key: sets every value, creates every sub-key; removes nothing.
struct ApplyCounts {
    int keyFailures = 0;
    int valueFailures = 0;
};
void ApplyKeyBody(HKEY key, const KeyBody& body, tw::Notifier& notifier, ApplyCounts& counts);

// Reads a backup file: false when it cannot be read at all. An empty file is whole when a store of
// shortcuts lies beside it (the backup of a fix that removed links only), damaged otherwise.
// `raw`, when given, receives the bytes read.
bool ReadBackupFile(const std::string& path, DecodeResult& result, DWORD& error, std::string* raw = nullptr);

}  // namespace backup

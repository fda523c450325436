// Deleting a shortcut file that a scan found, and only that file. Between the scan and the fix
// (hours, for a scan left on screen) anyone who may write a folder on the link's path can put
// something else at that path: another file of the same name, a file of the file system's own
// links (hard link, symbolic link), or a folder link (junction) that makes the path lead into a
// folder the elevated program may write and that user may not. The fix therefore deletes through
// a handle to the file itself, after checking that it is the file the scan saw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace linkfile {

// Which file a path led to: the volume's serial number and the file's ID on it (FileIdInfo where
// the system has it, the 64-bit file index otherwise).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint8_t id[16] = {};
    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the file at path itself (a link of the file system is not followed); nothing
// when it cannot be opened or asked.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// What a backup copy of the file was taken from: its size and last-write time (FILETIME ticks).
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t written = 0;
};

enum class Removal {
    Deleted,
    Gone,       // nothing of that name is there (or a folder on its path is gone): nothing to do
    Replaced,   // not the file the scan found: another file, a link of the file system, a file
                // with more than one name, or a path through a folder link
    Changed,    // the scanned file, but written to since its backup copy was taken
    Failed,     // could not be opened (in use, no access) or deleted: left as it is
};

// Deletes the file at path if it is still the one identified at scan time: no folder on the path
// is a reparse point, the file is not one, has one name only, and has that identity (and, when
// stamp is given, that size and write time). A read-only attribute is cleared through the same
// handle the file is deleted through; if the deletion then fails the attribute is put back.
// path must be a full path on a drive letter ("C:\..."); anything else is Replaced.
Removal RemoveScannedFile(const std::string& path, const FileIdentity& identity, const std::optional<FileStamp>& stamp);

}  // namespace linkfile

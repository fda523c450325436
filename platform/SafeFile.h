// Opening, creating, moving and deleting the program's own files without ever following a link.
//
// Whoever may write the folder the program keeps its files in may plant, under one of their names,
// a symbolic link, a junction or a hard link to a file elsewhere; run as administrator, the
// program would then read, overwrite or delete that file for them. So every file of ours is opened
// as itself (FILE_FLAG_OPEN_REPARSE_POINT) and refused when it is a reparse point, has more than one
// name (a hard link), or, where the system can say (GetFinalPathNameByHandle), when the handle leads
// somewhere other than the folder it was named in: Wine, for one, follows Unix links without
// marking them as reparse points. New files are made with CREATE_NEW, which never opens what lies
// under the name, and files that replace others are written under a name of this process that
// cannot be guessed beforehand and moved into place.
#pragma once

#include <windows.h>

#include "platform/Handles.h"

#include <cstdio>
#include <string>

namespace tw {

// The error for a file or folder of ours that turns out to be a link of any kind.
constexpr DWORD kLinkRefused = ERROR_CANT_ACCESS_FILE;

// A folder opened once and held open (without delete sharing, so that it can be neither renamed
// nor replaced meanwhile) for the length of an operation; its files are named under it and checked
// against where it really is.
class CheckedFolder {
public:
    // A folder the caller trusts by its path (the current directory, the program's folder).
    DWORD Open(const std::string& path);
    // The folder `name` inside `parent`, created first when `create` is set. Refused (kLinkRefused)
    // when it is a reparse point or leads anywhere other than inside `parent`.
    DWORD OpenChild(const CheckedFolder& parent, const std::string& name, bool create);

    bool IsOpen() const { return static_cast<bool>(handle_); }
    HANDLE Handle() const { return handle_.get(); }
    const std::string& Path() const { return path_; }
    std::string PathOf(const std::string& name) const;

    // An existing file of the folder, opened as itself and checked (see the top of this file).
    DWORD OpenExisting(const std::string& name, DWORD access, UniqueFile& file) const;
    // The same with OPEN_ALWAYS: a file appended to, made when missing.
    DWORD OpenAlways(const std::string& name, DWORD access, UniqueFile& file) const;
    // A new file (CREATE_NEW): ERROR_FILE_EXISTS when anything, a link included, has the name.
    DWORD CreateNew(const std::string& name, UniqueFile& file) const;
    // Deletes a file of ours through a handle opened as itself, after the checks. ERROR_FILE_NOT_FOUND
    // when there is none.
    DWORD Delete(const std::string& name) const;
    // Checks a handle opened on PathOf(name).
    DWORD Check(HANDLE handle, const std::string& name, bool folder) const;

private:
    UniqueFile handle_;
    std::string path_;
    std::string final_;  // where the system says the folder is; empty where it cannot say
};

// Sixteen hexadecimal digits drawn once per process from the system's random source: the part of
// a temporary name that nobody can know before the file is there.
const std::string& ProcessNameToken();
// "<name>.<token>.tmp": where a new version of `name` is written before it replaces it.
std::string TemporaryNameFor(const std::string& name);

// The same operations by full or relative path, the folder being the one the path names (trusted
// as in CheckedFolder::Open).
DWORD OpenOwnFile(const std::string& path, DWORD access, UniqueFile& file);
DWORD DeleteOwnFile(const std::string& path);

// Moves our finished file `from` (a file of `fromFolder`) to `to` in `toFolder`. Without `replace`
// an existing target is kept (ERROR_ALREADY_EXISTS); with it, a target that is a link is refused
// and nothing moves.
DWORD MoveOwnFile(const CheckedFolder& fromFolder, const std::string& from, const CheckedFolder& toFolder,
                  const std::string& to, bool replace);

// The call for writing any file of ours whole, new or not: the bytes go to a new file
// (TemporaryNameFor) that then replaces the target, which is refused when it is a link. 0 or a
// Win32 error; on failure the target is untouched and the temporary file gone.
DWORD WriteOwnFile(const std::string& path, const std::string& bytes);
// The same for a file of a folder held open (a file beside a backup in "Registry Backups").
DWORD WriteOwnFile(const CheckedFolder& folder, const std::string& name, const std::string& bytes);
// Reads a whole file of ours; refuses links. 0 or a Win32 error; bytes is then empty.
DWORD ReadOwnFile(const std::string& path, std::string& bytes);

// A C stream over an open file, which it then owns (mode "r", "w" or "a", with "b" for binary);
// null when it cannot be made (the handle is closed then too).
std::FILE* StreamOver(UniqueFile file, const char* mode);
// Stream openers for the XML snapshot writer and reader: a new file (never an existing one) and an
// existing file of ours.
std::FILE* CreateOwnStream(const std::string& path);
std::FILE* ReadOwnStream(const std::string& path);
// A text stream over a file of ours, made when missing: appended to, or emptied first.
std::FILE* OpenOwnTextStream(const std::string& path, bool append);

}  // namespace tw

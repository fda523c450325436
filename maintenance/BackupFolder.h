// The folder "Registry Backups" under the current directory: the backup files in it, the newest
// one, and keeping only the five newest.
#pragma once

#include <windows.h>

#include "platform/SafeFile.h"

#include <cstdint>
#include <string>
#include <vector>

extern const char kBackupFolderName[];  // "Registry Backups"
// The file a backup is built in, in the current directory, before it moves into the folder: one
// name per process ("1.<process id>.<random>.reg"), so that two runs started together in one folder
// never share it and nobody can plant anything under it beforehand.
std::string BackupTempName();
constexpr int kBackupsKept = 5;

struct BackupFileInfo {
    std::string name;
    std::string path;
    std::uint64_t size = 0;
    FILETIME created{};
};

std::string CurrentDirectory();
// Joins with exactly one backslash ("C:\" + "x" is "C:\x").
std::string JoinPath(const std::string& folder, const std::string& name);
std::string BackupFolderPath();

// The backups in the folder: every file whose name is one this program gives its backups
// ("YYYY-MM-DD_HH-MM-SS.reg", maybe with "_NNN" before ".reg"), in the order the system lists
// them. Other files, even other "*.reg" files, are no backups and are left out.
std::vector<BackupFileInfo> ListBackupFiles(const std::string& folder);

// The backup with the latest time in its name, leaving out names more than a day in the future;
// the file's own dates are not consulted, since whoever may write the folder may set them. Null
// for none.
const BackupFileInfo* NewestBackup(const std::vector<BackupFileInfo>& files);

// Whether a file of this name may be restored: a backup name whose time is not more than a day
// in the future.
bool IsRestorableBackupName(const std::string& name);

// Opens "Registry Backups" in `here` (creating it when asked) and holds it for one operation;
// refused (tw::kLinkRefused) when it is a link, which is then neither written to nor pruned. A
// folder it creates gets kBackupReadmeName, which says what the files in it are.
DWORD OpenBackupFolder(const tw::CheckedFolder& here, tw::CheckedFolder& folder, bool create);

extern const char kBackupReadmeName[];  // "README.txt"
// What that file says: the backups are no registry-editor files, and how to make one of them.
std::string BackupReadmeText();

// Empty, or what to tell when "Registry Backups" in the current folder is a link: such a folder is
// never written, so nothing in it is listed or restored either.
std::string LinkedBackupFolderMessage();

// Deletes all but the `keep` newest backups by the time in their names, each with the store of
// shortcuts beside it; the file just written always stays, files whose names are not backup names
// are never touched, and neither are links planted under a backup's name.
// Deletes one backup of the folder with the store of shortcuts and the signature beside it. 0, or
// the Win32 error of the backup file itself (ERROR_FILE_NOT_FOUND when there is none).
DWORD DeleteBackup(const tw::CheckedFolder& folder, const std::string& name);

void PruneBackups(const tw::CheckedFolder& folder, const std::string& justWritten, int keep = kBackupsKept);

// The folder "Registry Backups" under the current directory: the backup files in it, the newest
// one, and keeping only the five newest.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

extern const char kBackupFolderName[];  // "Registry Backups"
// The file a backup is built in, in the current directory, before it moves into the folder: one
// name per process, so that two runs started together in one folder never share it.
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

// Every file matching "*.reg" in the folder except "desktop.ini", in the order the system lists
// them. Only names that really end in ".reg" count, not long names whose short 8.3 alias matches
// (nor, so, the ".links" stores of shortcuts beside the backups).
std::vector<BackupFileInfo> ListBackupFiles(const std::string& folder);

// The file with the latest creation time; of equal times the first listed. Null for none.
const BackupFileInfo* NewestBackup(const std::vector<BackupFileInfo>& files);

// Deletes all but the `keep` newest backups by the time in their names, each with the store of
// shortcuts beside it; the file just written always stays, and files whose names are not backup
// names are never touched.
void PruneBackups(const std::string& folder, const std::string& justWritten, int keep = kBackupsKept);

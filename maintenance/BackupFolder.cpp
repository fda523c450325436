#include "maintenance/BackupFolder.h"

#include "maintenance/BackupFormat.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/SignatureFormat.h"
#include "platform/Handles.h"
#include "platform/Text.h"


const char kBackupFolderName[] = "Registry Backups";
std::string BackupTempName() {
    return "1." + std::to_string(GetCurrentProcessId()) + "." + tw::ProcessNameToken() + ".reg";
}

std::string CurrentDirectory() {
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    std::string dir(n, '\0');
    n = GetCurrentDirectoryA(n, &dir[0]);
    dir.resize(n);
    return dir;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

std::string BackupFolderPath() { return JoinPath(CurrentDirectory(), kBackupFolderName); }

std::vector<BackupFileInfo> ListBackupFiles(const std::string& folder) {
    std::vector<BackupFileInfo> files;
    WIN32_FIND_DATAA found;
    tw::UniqueFind find(FindFirstFileA(JoinPath(folder, "*.reg").c_str(), &found));
    if (!find) return files;
    do {
        std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!backup::IsBackupFileName(name)) continue;
        BackupFileInfo info;
        info.name = name;
        info.path = JoinPath(folder, name);
        info.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        info.created = found.ftCreationTime;
        files.push_back(std::move(info));
    } while (FindNextFileA(find.get(), &found));
    return files;
}

namespace {

backup::BackupStamp LocalNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    backup::BackupStamp now;
    now.year = t.wYear;
    now.month = t.wMonth;
    now.day = t.wDay;
    now.hour = t.wHour;
    now.minute = t.wMinute;
    now.second = t.wSecond;
    return now;
}

}  // namespace

const BackupFileInfo* NewestBackup(const std::vector<BackupFileInfo>& files) {
    std::vector<std::string> names;
    for (const BackupFileInfo& f : files) names.push_back(f.name);
    std::size_t i = backup::NewestBackupIndex(names, LocalNow());
    return i < files.size() ? &files[i] : nullptr;
}

bool IsRestorableBackupName(const std::string& name) {
    backup::BackupStamp stamp;
    return backup::ParseBackupFileName(name, stamp) && !backup::IsFutureStamp(stamp, LocalNow());
}

const char kBackupReadmeName[] = "README.txt";

std::string BackupReadmeText() {
    return "Tidewarp registry backups\r\n"
           "=========================\r\n\r\n"
           "Before every repair Tidewarp saves the registry keys and values it is about to remove into a file\r\n"
           "of this folder, named after the time of the repair: YYYY-MM-DD_HH-MM-SS.reg. The five newest are\r\n"
           "kept. Beside a backup may lie a \".links\" file (the shortcut files the repair deleted) and a\r\n"
           "\".sig\" file (its signature, which shows that Tidewarp made it on this computer).\r\n\r\n"
           "Although they end in \".reg\", the backups are in Tidewarp's own format, not registry-editor\r\n"
           "files: opening one in the Registry Editor does not work.\r\n\r\n"
           "To undo a repair, open Tidewarp's backups window (\"Backups...\" in the menu of its icon in the\r\n"
           "notification area, or the button on the settings page), choose the backup and press Restore.\r\n\r\n"
           "To turn a backup into a file that the Registry Editor can import, also on a computer without\r\n"
           "Tidewarp, use the backups window's \"Export .reg...\" or the console program:\r\n\r\n"
           "    tidewarp-cli export-reg FILE OUT.reg\r\n\r\n"
           "FILE is a backup of this folder, OUT.reg the registry-editor file to write (REGEDIT4). Importing\r\n"
           "it creates keys and sets values; like a restore, it deletes nothing.\r\n";
}

DWORD OpenBackupFolder(const tw::CheckedFolder& here, tw::CheckedFolder& folder, bool create) {
    DWORD error = folder.OpenChild(here, kBackupFolderName, false);
    if (!create || (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)) return error;
    if ((error = folder.OpenChild(here, kBackupFolderName, true)) != ERROR_SUCCESS) return error;
    // Written like every file of ours, never through a link; without it the backups work the same.
    tw::WriteOwnFile(folder, kBackupReadmeName, BackupReadmeText());
    return ERROR_SUCCESS;
}

std::string LinkedBackupFolderMessage() {
    tw::CheckedFolder here, folder;
    if (here.Open(CurrentDirectory()) != ERROR_SUCCESS) return {};
    if (OpenBackupFolder(here, folder, false) != tw::kLinkRefused) return {};
    return "The folder " + here.PathOf(kBackupFolderName) + " is a link, and nothing is read through it.";
}

void PruneBackups(const tw::CheckedFolder& folder, const std::string& justWritten, int keep) {
    std::vector<std::string> names;
    // Listed by its path: the folder is held open, so the path still names the folder checked.
    for (const BackupFileInfo& f : ListBackupFiles(folder.Path())) names.push_back(f.name);
    for (const std::string& name : backup::BackupsToPrune(names, justWritten, keep)) DeleteBackup(folder, name);
}

DWORD DeleteBackup(const tw::CheckedFolder& folder, const std::string& name) {
    // The shortcut store first: a crash between the two leaves a backup without its links, never
    // links without their backup. The signature last: alone it restores nothing.
    folder.Delete(backup::LinkStoreName(name));
    const DWORD error = folder.Delete(name);
    folder.Delete(backup::SignatureFileName(name));
    return error;
}

#include "maintenance/BackupFolder.h"

#include "platform/Handles.h"
#include "platform/Text.h"

#include <algorithm>

const char kBackupFolderName[] = "Registry Backups";
const char kBackupTempName[] = "1.reg";

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
        if (name == "." || name == ".." || tw::EqualsNoCase(name, "desktop.ini")) continue;
        if (!tw::EndsWith(tw::ToLower(name), ".reg")) continue;
        BackupFileInfo info;
        info.name = name;
        info.path = JoinPath(folder, name);
        info.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        info.created = found.ftCreationTime;
        files.push_back(std::move(info));
    } while (FindNextFileA(find.get(), &found));
    return files;
}

const BackupFileInfo* NewestBackup(const std::vector<BackupFileInfo>& files) {
    const BackupFileInfo* newest = nullptr;
    for (const BackupFileInfo& f : files)
        if (!newest || CompareFileTime(&f.created, &newest->created) > 0) newest = &f;
    return newest;
}

void PruneBackups(const std::string& folder, int keep) {
    std::vector<BackupFileInfo> files = ListBackupFiles(folder);
    if (static_cast<int>(files.size()) <= keep) return;
    std::sort(files.begin(), files.end(),
              [](const BackupFileInfo& a, const BackupFileInfo& b) { return a.name < b.name; });
    for (std::size_t i = 0; i + static_cast<std::size_t>(keep) < files.size(); ++i) DeleteFileA(files[i].path.c_str());
}

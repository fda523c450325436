#include "registry/FileProbe.h"

#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/PathRoot.h"

#include <windows.h>

#include <io.h>

FileState FileProbe::Test(const std::string& path, bool nativeFiles) {
    tw::FileRedirectionOff redirection(nativeFiles);
    if (!OnLocalFixedDrive(path)) return FileState::CannotCheck;
    return _access(path.c_str(), 0) == 0 ? FileState::Present : FileState::Missing;
}

bool FileProbe::OnLocalFixedDrive(const std::string& path) {
    const PathRoot root = RootOfPath(path);
    if (root.kind != PathRoot::DriveLetter && root.kind != PathRoot::Volume) return false;
    if (!IsFixedRoot(root.root)) return false;
    // A folder of the drive may hold another volume (a USB disk mounted at C:\Mounts\usb): the
    // volume that holds the path decides. Paths of one folder share it, so it is asked once per folder.
    const std::size_t cut = path.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? path : path.substr(0, cut);
    auto known = fixedFolders_.find(folder);
    if (known != fixedFolders_.end()) return known->second;
    char volume[MAX_PATH + 1] = {};
    bool fixed = false;  // a volume that cannot be found cannot be checked
    if (GetVolumePathNameA(path.c_str(), volume, MAX_PATH))
        fixed = tw::EqualsNoCase(volume, root.root) || IsFixedRoot(volume);
    fixedFolders_.emplace(folder, fixed);
    return fixed;
}

bool FileProbe::IsFixedRoot(const std::string& root) {
    auto known = fixedRoots_.find(root);
    if (known != fixedRoots_.end()) return known->second;
    const bool fixed = GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
    fixedRoots_.emplace(root, fixed);
    return fixed;
}

void FileProbe::Forget() {
    fixedRoots_.clear();
    fixedFolders_.clear();
}

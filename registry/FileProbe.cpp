#include "registry/FileProbe.h"

#include "platform/SystemFunction.h"
#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/PathRoot.h"

#include <windows.h>

#include <io.h>

namespace {

using VolumePathFn = BOOL(WINAPI*)(LPCSTR, LPSTR, DWORD);

// GetVolumePathNameA, which the Windows 95/98/Me family lacks (and with it folders holding volumes).
VolumePathFn VolumePathName() {
    static const VolumePathFn fn = tw::FindSystemFunction<VolumePathFn>("kernel32.dll", "GetVolumePathNameA");
    return fn;
}

}  // namespace

FileState FileProbe::Test(const std::string& path, bool nativeFiles) {
    // The drive letter's type comes first: a path on a network drive, and a UNC path, must never
    // reach a file-system call, which could wait for the network.
    const PathRoot root = RootOfPath(path);
    if ((root.kind != PathRoot::DriveLetter && root.kind != PathRoot::Volume) || !IsFixedRoot(root.root))
        return FileState::CannotCheck;
    tw::FileRedirectionOff redirection(nativeFiles);
    if (_access(path.c_str(), 0) == 0) return FileState::Present;
    // Missing from a fixed drive, unless it lies in a folder where another volume is mounted (a USB
    // disk at C:\Mounts\usb): then that volume decides. Asked only here, as few files are missing.
    return OnFixedVolume(path, root.root) ? FileState::Missing : FileState::CannotCheck;
}

bool FileProbe::OnLocalFixedDrive(const std::string& path) {
    const PathRoot root = RootOfPath(path);
    if (root.kind != PathRoot::DriveLetter && root.kind != PathRoot::Volume) return false;
    return IsFixedRoot(root.root) && OnFixedVolume(path, root.root);
}

bool FileProbe::OnFixedVolume(const std::string& path, const std::string& driveRoot) {
    const std::size_t cut = path.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? path : path.substr(0, cut);
    auto known = fixedFolders_.find(folder);
    if (known != fixedFolders_.end()) return known->second;
    const VolumePathFn volumePathName = VolumePathName();
    if (!volumePathName) return true;  // no volumes in folders on this system: the drive decides
    char volume[MAX_PATH + 1] = {};
    bool fixed = false;  // a volume that cannot be found cannot be checked
    if (volumePathName(path.c_str(), volume, MAX_PATH))
        fixed = tw::EqualsNoCase(volume, driveRoot) || IsFixedRoot(volume);
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

// Whether a file that a registry entry or a shortcut names is there, missing, or out of reach.
// Only a file on a local fixed drive that is there now can be missing: a program on an unplugged
// USB disk, a CD, a network share or a drive letter not mapped at the moment is out of reach, and
// its entry says nothing about being broken.
#pragma once

#include <string>
#include <unordered_map>

enum class FileState {
    Present,
    Missing,      // on a local fixed drive that is there now, and not found
    CannotCheck,  // on an absent, removable, CD-ROM, RAM or network drive, a UNC path or a device
};

class FileProbe {
public:
    // The drive rule first, from the path's text and its volume's drive type, so a UNC or network
    // path never reaches a file-system call; then, on a local fixed drive only, the existence test.
    // nativeFiles: tested with file-system redirection off (a 64-bit program's files under WOW64).
    FileState Test(const std::string& path, bool nativeFiles);
    // Whether the path lies on a local fixed volume that is there now (a volume mounted in a folder
    // of a fixed drive counts by its own type).
    bool OnLocalFixedDrive(const std::string& path);
    // Forgets the drive types seen, so that the next scan or fix asks again.
    void Forget();

private:
    bool IsFixedRoot(const std::string& root);
    // Whether the volume holding the path (found by GetVolumePathName) is fixed, for a path whose
    // drive is: a folder of it may hold another volume.
    bool OnFixedVolume(const std::string& path, const std::string& driveRoot);

    // The drive types seen during one scan: drives are asked once, and each folder's volume once.
    std::unordered_map<std::string, bool> fixedRoots_;    // volume root -> fixed
    std::unordered_map<std::string, bool> fixedFolders_;  // folder of a path -> on a fixed volume
};

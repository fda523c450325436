// Drive letters of other kinds for a test, made the way Wine's own configuration tool makes them:
// the mount manager maps a letter to a folder with a drive type (removable, CD-ROM, network, RAM
// disk) while the test runs, for every process of the prefix, and drops it again at the end.
#pragma once

#include <windows.h>

#include <string>

namespace testdrive {

class MappedDrive {
public:
    // Maps letter to the folder (a Windows path, created when missing) with that GetDriveType type.
    // A letter in use is left alone (Ok() is false), so the prefix's own drives stay as they are.
    MappedDrive(char letter, UINT type, const std::string& folder);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    bool Ok() const { return ok_; }

private:
    char letter_;
    bool ok_ = false;
};

// A drive letter mapped to nothing now ('K' through 'Y'), or '?' when every one is taken.
char UnusedLetter();

}  // namespace testdrive

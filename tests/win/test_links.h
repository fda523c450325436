// Shortcut files made the way the shell makes them: the ShellLink object, IShellLinkA and
// IPersistFile::Save.
#pragma once

#include <string>

namespace testlink {

// A shortcut to a file or folder path.
void MakeLink(const std::string& linkPath, const std::string& target);
// A shortcut to a path given in UTF-16 (for names the ANSI code page cannot spell).
void MakeLinkWide(const std::string& linkPath, const std::wstring& target);
// A shortcut that names a shell folder (CSIDL_*) by item list only, with no file path.
void MakeLinkToShellFolder(const std::string& linkPath, int csidl);

// Removes a folder tree, read-only files included.
void RemoveTree(const std::string& path);
// Creates an empty file.
void Touch(const std::string& path);

}  // namespace testlink

// Wine runs Unix programs too, so the tests plant what a user could plant on Windows with mklink:
// Unix symbolic links stand in for junctions, bind mounts for folders reached by a second name
// that no reparse point marks.
namespace testunix {

// The Unix path Wine keeps a Windows path at.
std::string UnixPath(const std::string& windowsPath);
// Starts a Unix command line (program path first); Wine cannot say when it ends.
bool Start(const std::string& commandLine);
// A symbolic link at link to the folder target (both Windows paths).
void MakeFolderLink(const std::string& link, const std::string& target);
// Removes a link made by MakeFolderLink (Windows calls on it would reach its target).
void RemoveLink(const std::string& link);

// Mounts folder onto the empty folder mountPoint for the object's life, where the process may
// mount (it may not on machines that run the tests without root or capabilities: see Mounted()).
// entry, a name in folder, shows when the mount is in place.
class BindMount {
public:
    BindMount(const std::string& folder, const std::string& mountPoint, const std::string& entry);
    ~BindMount();
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    bool Mounted() const { return mounted_; }

private:
    std::string mountPoint_, entry_;
    bool mounted_ = false;
};

}  // namespace testunix

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

// Whole-file reads and crash-safe whole-file writes of the program's own files, which never follow
// a link (see SafeFile.h).
#pragma once

#include <windows.h>

#include <string>

namespace tw {

// False when the file cannot be opened or read, or is a link (GetLastError says which); bytes is
// then empty.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Writes the bytes to a new temporary file of an unguessable name beside the target, flushes it
// and moves it over the target, so the target is either the old file or the complete new one; a
// target that is a link is refused (kLinkRefused). Returns 0 or a Win32 error code; on failure the
// target is untouched and the temporary file removed.
DWORD ReplaceFileContents(const std::string& path, const std::string& bytes);

}  // namespace tw

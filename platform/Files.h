// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <windows.h>

#include <string>

namespace tw {

// False when the file cannot be opened or read; bytes is then empty.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Writes the bytes to a temporary file beside the target, flushes it and moves it over the target,
// so the target is either the old file or the complete new one. Returns 0 or a Win32 error code;
// on failure the target is untouched and the temporary file removed.
DWORD ReplaceFileContents(const std::string& path, const std::string& bytes);

}  // namespace tw

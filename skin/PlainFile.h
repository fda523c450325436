// Files the skin takes from a folder a standard user may write (the program's folder, the current
// one): the user's "skin.ini", pictures, the scan movie, the stale "remove-top.swf". Each is used
// only when it is a plain file reached by its own name: not a reparse point, no link of the file
// system on the way to it (what the handle opened must be the file asked for), and a single name,
// so that a hard link to a file elsewhere is neither read nor deleted. The checks are made on the
// handle that is then read or deleted through, so nothing can be swapped in between.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <string>

namespace skinfile {

// The file opened with the given access and sharing, or an empty handle (the last error says why;
// ERROR_CANT_ACCESS_FILE for a file that is not plain).
tw::UniqueFile OpenPlain(const std::string& path, DWORD access, DWORD share);

// The whole of a plain file of at most maxBytes; false (bytes empty) otherwise.
bool ReadPlain(const std::string& path, std::string& bytes, DWORD maxBytes);

// Deletes a plain file through the handle that was checked. Anything else at path stays.
bool DeletePlain(const std::string& path);

}  // namespace skinfile

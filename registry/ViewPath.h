// Where a key of the 32-bit registry view really lies on 64-bit Windows: HKLM\Software\X under
// HKLM\Software\Wow6432Node\X, HKCR\X under HKCR\Wow6432Node\X.
#pragma once

#include <string>

// The physical path of the 32-bit view's key at a full registry path ("HKEY_LOCAL_MACHINE\..."),
// or an empty text for a path that is not redirected (other roots, keys outside Software, and paths
// already naming a Wow6432Node key).
std::string Wow6432NodePath(const std::string& fullPath);

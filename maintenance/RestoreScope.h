// Which keys a restore may write: only those in the families the scanners look at
// (registry/KeyFamilies.h). A backup is checked whole before anything of it is written.
#pragma once

#include "maintenance/BackupFormat.h"

#include <string>
#include <vector>

namespace backup {

// The first key of the records a restore may not write, as a full path ("HKEY_...\..."), or an
// empty text when every key may be written. A record is refused for an unknown root, a path
// outside the families, and a path or sub-key name with an empty, "." or ".." part.
std::string FirstKeyOutsideFamilies(const std::vector<KeyRecord>& records);

}  // namespace backup

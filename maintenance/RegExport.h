// A backup as a registry-editor file: "REGEDIT4", ANSI text, CR LF lines, importable by the
// system's own registry editor without Tidewarp (regedit /s file.reg, reg import file.reg).
// Like a restore, importing it creates keys and sets values but deletes nothing.
#pragma once

#include "maintenance/BackupFormat.h"

#include <string>
#include <vector>

namespace backup {

// Keys and values whose names hold a line break cannot be written: each is left out, with a
// comment line in its place, and described in `omitted` when given.
std::string ExportRegedit4(const std::vector<KeyRecord>& records, std::vector<std::string>* omitted = nullptr);

}  // namespace backup

// A backup written out as a registry-editor file (RegExport.h), as the console's "export-reg" and
// the backups window make it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ExportResult {
    enum class Status {
        Written,     // `out` holds the records read (all of them unless `damaged`)
        Refused,     // nothing written: `refused` says why the target may not be written
        Unreadable,  // nothing written: the backup could not be read (`error`)
        WriteFailed  // nothing written: `out` could not be written (`error`); an old file there is whole
    };
    Status status = Status::Refused;
    DWORD error = ERROR_SUCCESS;
    std::string refused;
    std::size_t records = 0;
    bool damaged = false;  // only the records before the damage were written
    std::string damage;
    std::vector<std::string> omitted;  // keys and values a registry editor cannot read, left out

    bool Complete() const { return status == Status::Written && !damaged && omitted.empty(); }
};

// Writes the backup `source` to `out` (under a temporary name, then renamed into place). A backup
// is never replaced by text: `out` may be neither the backup itself nor any file of the backup
// folder.
ExportResult ExportBackup(const std::string& source, const std::string& out);

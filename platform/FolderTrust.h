// Whether this process runs as an administrator, and who else may write a folder: an elevated
// program must not take what others may have planted in the folder it keeps its files in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tw {

// True when the process has an administrator's full rights: an elevated token where the system
// splits tokens (Vista and later), membership of Administrators where it does not. A system
// without tokens (95/98/Me) has no administrators: false.
bool ProcessIsElevated();

struct FolderWriters {
    DWORD error = ERROR_SUCCESS;      // the owner and access list could not be read (not "missing")
    bool missing = false;             // there is no such folder
    std::vector<std::string> others;  // account names (SID text where there is no name), owner first
};

// Who besides SYSTEM, Administrators, TrustedInstaller and this process's own account may write
// the folder or what this process creates in it (tw::acl::OtherWriters over its owner and DACL).
FolderWriters OtherWritersOf(const std::string& folder);

}  // namespace tw

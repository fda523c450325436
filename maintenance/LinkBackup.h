// The shortcut files a fix deletes: read whole before the fix, written to the store beside the
// registry backup, and put back by a restore without ever replacing a file that lies there now.
#pragma once

#include "maintenance/LinkStoreFormat.h"

#include <windows.h>

#include <string>
#include <vector>

namespace backup {

// Reads one shortcut file with its attributes and times. False, with the reason, when it cannot be
// kept byte for byte: it cannot be opened or read, it is a folder or a reparse point, or it is
// larger than any shortcut.
bool ReadLink(const std::string& path, SavedLink& link, std::string& reason);

// Creates the file anew, with the folders above it when they are gone: the bytes and times go to a
// new file beside it, renamed into place without replacing anything (a file or a link of the file
// system of that name is never opened), then the attributes are set. ERROR_FILE_EXISTS when
// something of that name lies there now; nothing half-written is left behind.
DWORD PutBackLink(const SavedLink& link);

// The store beside a registry backup, as read from disk.
struct LinkStore {
    std::string path;
    bool present = false;   // a store of that name exists
    DWORD error = 0;        // present but unreadable: the Win32 error
    LinkDecodeResult contents;
    std::string raw;        // the bytes read, which a signature covers

    bool Usable() const { return present && error == 0 && !contents.damaged; }
};
LinkStore ReadLinkStore(const std::string& regPath);

}  // namespace backup

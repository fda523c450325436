// Signing backups and checking their signatures. The key is 32 random bytes made once per computer
// and kept in HKEY_LOCAL_MACHINE under a key only SYSTEM and Administrators may read (the program
// runs elevated), so a file put into "Registry Backups" by anyone else carries no valid signature.
#pragma once

#include "maintenance/LinkBackup.h"

#include <windows.h>

#include <string>

namespace backup {

// Where the key lies: HKEY_LOCAL_MACHINE\Software\TIDEWARP\Signing, value "backupkey".
extern const char kSigningKeyPath[];
extern const char kSigningKeyValue[];

// Writes the signature file beside a backup that is in place, over its bytes as they lie there and
// those of the shortcut store beside it; makes the key first when this computer has none. 0 or a
// Win32 error; on failure no signature file is left, and the backup counts as unsigned.
DWORD SignBackup(const std::string& regPath);

enum class SignatureCheck {
    Valid,
    NoKey,      // this computer has no key: it never signed a backup
    Missing,    // no signature file
    Damaged,    // the signature file is not one this program writes
    Mismatch,   // the backup, its store or its name changed, or it was signed elsewhere
    Failed,     // the check could not be made (the key or the store could not be read)
};

// Checks the signature of a backup against the bytes that will be restored: the backup's `regBytes`
// and the store read beside it. `error` receives the Win32 error of a failed check.
SignatureCheck CheckSignature(const std::string& regPath, const std::string& regBytes, const LinkStore& links,
                              DWORD& error);

// What is wrong with a backup's signature, for the user: "it has no signature file", ...
std::string SignatureProblem(SignatureCheck check, DWORD error);

}  // namespace backup

// Whose HKEY_CURRENT_USER this process reads. Started elevated with another account's password, a
// program runs as that account: its HKEY_CURRENT_USER is that account's hive, not the hive of the
// user who signed in and whose desktop shell runs. Only the process's own token and the shell's
// process are asked; nothing a user can set (environment, files) steers the answer.
#pragma once

#include <string>
#include <vector>

namespace tw {

// A security identifier's bytes; empty when unknown.
using SidBytes = std::vector<unsigned char>;

// The user of this process's token.
SidBytes ProcessUserSid();
// The user of the process that owns the desktop's shell window. Empty when there is no shell
// window (no shell runs on this desktop) or its process or token cannot be read.
SidBytes ShellUserSid();
// "DOMAIN\name" of the account; the SID's text ("S-1-5-...") when no account of that SID can be
// looked up; empty for an empty or malformed SID.
std::string AccountName(const SidBytes& sid);
// The account of `process` when it is not the user `shell`; empty when both are the same user or
// either is unknown (nothing can be said then).
std::string AccountOtherThanShell(const SidBytes& process, const SidBytes& shell);

}  // namespace tw

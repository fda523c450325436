// One copy of a program at a time: a named event, held until the process ends, tells a second copy
// that the first runs.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

namespace tw {

enum class Instance { First, AlreadyRunning };

// Creates or opens the event "Local\<name>" (the session's own namespace; the plain name on a
// system without namespaces) and keeps it in marker. AlreadyRunning: the event existed and its
// owner is this process's user. An event of that name that another user made, or one this process
// may not open, does not keep the program from starting.
Instance ClaimInstance(const char* name, UniqueHandle& marker);

// True when owner is the user of token or the owner token gives the objects it creates (an
// administrator's objects belong to the Administrators group on some systems).
bool OwnedByTokenUser(PSID owner, HANDLE token);

}  // namespace tw

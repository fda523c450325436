// Opening a page or a mail address for the user. Tidewarp runs as administrator, and the program
// the shell picks for a page or a "mailto:" address is the user's to choose (their own file
// associations): started from this process it would run with administrator rights. So the user's
// desktop shell (Explorer) is asked, through its own window, to open it: it starts it as the user.
// This process never opens it itself.
#pragma once

#include <string>

// True when the user's desktop shell took the target. False when no desktop shell of this user
// answers (none runs, it belongs to another account) or it could not open the target; nothing was
// started then.
bool OpenWithUserShell(const std::string& target);

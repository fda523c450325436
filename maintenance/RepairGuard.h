// A repair and a restore write into the registry, with this process's rights, what lies in the
// folder Tidewarp keeps its files in: the ignore list, the backups in "Registry Backups", the
// files it builds there. Run as administrator from a folder that others may change, they would do
// so for whoever planted those files; both are then refused, and scans still run.
#pragma once

#include <string>

// The message that refuses a repair or a restore now, naming the folder and who else may write
// it, or empty when they may go ahead. The folder is the current directory, and "Registry
// Backups" in it when it exists; `elevated` is this process's own answer unless a test gives one.
std::string RepairRefusal();
std::string RepairRefusal(bool elevated);

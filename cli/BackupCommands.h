// tidewarp-cli backups, restore and export-reg.
#pragma once

#include "cli/Options.h"

int RunBackups(const CliOptions& options);
// True, having said why on stderr, when this process may not repair or restore from here
// (RepairRefusal): the command then exits with 2.
bool RepairRefused();
int RunRestore(const CliOptions& options);
int RunExportReg(const CliOptions& options);

// tidewarp-cli backups, restore and export-reg.
#pragma once

#include "cli/Options.h"

int RunBackups(const CliOptions& options);
int RunRestore(const CliOptions& options);
int RunExportReg(const CliOptions& options);

// The console program's command line.
#pragma once

#include "registry/ErrorRecord.h"

#include <string>
#include <vector>

struct CliOptions {
    enum class Command { Help, Scan, Fix, IgnoreList, IgnoreRemove, Backups, Restore, ExportReg, RestoreXml };

    Command command = Command::Help;
    ScanSelection selection;            // Scan: the categories asked for (all when not given)
    bool json = false;
    bool summary = false;               // Scan, Fix: one line only
    bool dryRun = false;                // Fix: say what would be done, change nothing
    std::vector<std::string> keep;      // Fix: items left in place (and added to the ignore list)
    std::vector<std::size_t> indices;   // IgnoreRemove: 0-based rows of the ignore list
    std::string backupFile;             // Restore, ExportReg: the chosen backup (empty: the newest);
                                        // RestoreXml: the snapshot file
    std::string outFile;                // ExportReg: the registry-editor file to write
    bool allowUnsigned = false;         // Restore: also a backup without a valid signature
};

// Whether a reported item (file or shortcut path) is one the user keeps: equal to a --keep
// argument without regard to letter case.
bool KeepsItem(const std::vector<std::string>& keep, const std::string& item);

// Parses the arguments after the program name. On a usage error returns false and sets error.
bool ParseCommandLine(const std::vector<std::string>& args, CliOptions& options, std::string& error);

extern const char kCliUsage[];

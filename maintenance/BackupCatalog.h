// What the backups window lists: every backup in "Registry Backups", newest first, with what it
// holds and whether it is whole.
#pragma once

#include "maintenance/BackupFormat.h"

#include <cstdint>
#include <string>
#include <vector>

struct BackupEntry {
    std::string name;  // the file name, "YYYY-MM-DD_HH-MM-SS.reg"
    std::string path;
    backup::BackupStamp stamp;  // the time in the name: when the repair it was taken for began
    std::uint64_t size = 0;     // of the backup file
    std::size_t keys = 0;       // keys held, sub-keys included
    std::size_t values = 0;
    std::size_t links = 0;      // shortcut files in the store beside it
    // The file or the store beside it cannot be read or is damaged: it is never restored.
    bool damaged = false;
    std::string damage;  // what is wrong, for the user
};

struct BackupCatalog {
    std::string folder;
    std::string linked;  // not empty when the folder is a link: nothing in it is listed
    std::vector<BackupEntry> entries;  // newest first
};

// Reads every backup of the folder in the current directory.
BackupCatalog ReadBackupCatalog();

// "2026-12-08 18:30:56", with " (2)" and so on for a later backup of the same second.
std::string BackupTimeText(const backup::BackupStamp& stamp);

#include "maintenance/RepairGuard.h"

#include "maintenance/BackupFolder.h"
#include "platform/FolderTrust.h"

namespace {

// Why the folder is no safe place for an administrator's files, or empty.
std::string Untrusted(const std::string& folder) {
    const tw::FolderWriters writers = tw::OtherWritersOf(folder);
    if (writers.missing) return {};
    if (writers.error != ERROR_SUCCESS)
        return "it cannot read who may change " + folder + " (error " + std::to_string(writers.error) + ")";
    if (writers.others.empty()) return {};
    std::string who;
    for (const std::string& name : writers.others) who += (who.empty() ? "" : ", ") + name;
    return "other users may change " + folder + " (" + who + ")";
}

}  // namespace

std::string RepairRefusal() { return RepairRefusal(tw::ProcessIsElevated()); }

std::string RepairRefusal(bool elevated) {
    if (!elevated) return {};
    std::string why = Untrusted(CurrentDirectory());
    if (why.empty()) why = Untrusted(BackupFolderPath());
    if (why.empty()) return {};
    return "Tidewarp runs as administrator, and " + why +
           ". Files planted there would be written into the registry, so repairs and restores are turned off; "
           "scans still run.\n\nInstall Tidewarp (it then keeps its files in its own folder under Program Files), "
           "or start it from a folder that only administrators can change.";
}

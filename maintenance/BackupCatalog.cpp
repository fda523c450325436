#include "maintenance/BackupCatalog.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/LinkBackup.h"
#include "maintenance/RegistryBackup.h"

#include <algorithm>
#include <cstdio>

namespace {

void Count(const backup::KeyBody& body, BackupEntry& entry) {
    entry.values += body.values.size();
    for (const backup::SubKey& sub : body.subKeys) {
        ++entry.keys;
        Count(sub.body, entry);
    }
}

BackupEntry Describe(const BackupFileInfo& file) {
    BackupEntry entry;
    entry.name = file.name;
    entry.path = file.path;
    entry.size = file.size;
    backup::ParseBackupFileName(file.name, entry.stamp);
    backup::DecodeResult decoded;
    DWORD error = ERROR_SUCCESS;
    if (!backup::ReadBackupFile(file.path, decoded, error)) {
        entry.damaged = true;
        entry.damage = "cannot be read (error " + std::to_string(static_cast<unsigned long>(error)) + ")";
    } else if (decoded.damaged) {
        entry.damaged = true;
        entry.damage = decoded.damage;
    }
    for (const backup::KeyRecord& record : decoded.records) {
        ++entry.keys;
        Count(record.body, entry);
    }
    const backup::LinkStore store = backup::ReadLinkStore(file.path);
    entry.links = store.contents.links.size();
    if (store.present && !store.Usable() && !entry.damaged) {
        entry.damaged = true;
        entry.damage = store.error ? "its shortcut store cannot be read (error " + std::to_string(store.error) + ")"
                                   : "its shortcut store is damaged (" + store.contents.damage + ")";
    }
    return entry;
}

}  // namespace

BackupCatalog ReadBackupCatalog() {
    BackupCatalog catalog;
    catalog.folder = BackupFolderPath();
    catalog.linked = LinkedBackupFolderMessage();
    if (!catalog.linked.empty()) return catalog;
    std::vector<BackupFileInfo> files = ListBackupFiles(catalog.folder);
    std::stable_sort(files.begin(), files.end(), [](const BackupFileInfo& a, const BackupFileInfo& b) {
        return backup::BackupNameBefore(b.name, a.name);
    });
    for (const BackupFileInfo& file : files) catalog.entries.push_back(Describe(file));
    return catalog;
}

std::string BackupTimeText(const backup::BackupStamp& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::string text = buf;
    if (t.attempt > 0) text += " (" + std::to_string(t.attempt + 1) + ")";
    return text;
}

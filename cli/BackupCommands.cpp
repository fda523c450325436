#include "cli/BackupCommands.h"

#include "cli/Json.h"
#include "cli/Report.h"
#include "cli/StderrNotifier.h"
#include "maintenance/BackupExport.h"
#include "maintenance/BackupFolder.h"
#include "maintenance/BackupFormat.h"
#include "maintenance/LinkBackup.h"
#include "maintenance/RegistryBackup.h"
#include "maintenance/RepairGuard.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string LocalTimeText(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME t{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return "";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return buf;
}

// Newest last, in the order the Restore button judges "newest": by the time in the name.
std::vector<BackupFileInfo> SortedBackups() {
    std::vector<BackupFileInfo> files = ListBackupFiles(BackupFolderPath());
    std::stable_sort(files.begin(), files.end(), [](const BackupFileInfo& a, const BackupFileInfo& b) {
        return backup::BackupNameBefore(a.name, b.name);
    });
    return files;
}

// A named backup: the path as given when it exists, else that name in the backup folder.
std::string ResolveBackup(const std::string& given) {
    if (GetFileAttributesA(given.c_str()) != INVALID_FILE_ATTRIBUTES) return given;
    if (given.find_first_of("\\/:") == std::string::npos) {
        std::string inFolder = JoinPath(BackupFolderPath(), given);
        if (GetFileAttributesA(inFolder.c_str()) != INVALID_FILE_ATTRIBUTES) return inFolder;
    }
    return given;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

// True, after saying why, when the backup folder is a link: nothing in it is listed or read.
bool BackupFolderLinked() {
    const std::string linked = LinkedBackupFolderMessage();
    if (!linked.empty()) std::fprintf(stderr, "tidewarp-cli: %s\n", linked.c_str());
    return !linked.empty();
}

int RunBackups(const CliOptions& options) {
    const std::string folder = BackupFolderPath();
    if (BackupFolderLinked()) return 2;
    std::vector<BackupFileInfo> files = SortedBackups();
    if (options.json) {
        JsonWriter w;
        BeginReport(w);
        w.Key("folder").String(folder).Key("backups").BeginArray();
        for (const BackupFileInfo& f : files) {
            w.BeginObject();
            w.Key("name").String(f.name);
            w.Key("path").String(f.path);
            w.Key("size").Number(static_cast<std::int64_t>(f.size));
            w.Key("created").String(LocalTimeText(f.created));
            const backup::LinkStore links = backup::ReadLinkStore(f.path);
            w.Key("links").Number(static_cast<std::int64_t>(links.contents.links.size()));
            w.Key("links_damaged").Bool(links.present && !links.Usable());
            w.EndObject();
        }
        w.EndArray().EndObject();
        Print(w.Text() + "\n");
        return 0;
    }
    std::string out = "Backups in " + folder + " (newest last):\n";
    if (files.empty()) out += "  (none)\n";
    for (const BackupFileInfo& f : files) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%12llu bytes  ", static_cast<unsigned long long>(f.size));
        const backup::LinkStore links = backup::ReadLinkStore(f.path);
        out += "  " + LocalTimeText(f.created) + buf + f.name + "  " + std::to_string(links.contents.links.size()) +
               " shortcut(s)" + (links.present && !links.Usable() ? " (the shortcut store is damaged)" : "") + "\n";
    }
    Print(out);
    return 0;
}

bool RepairRefused() {
    const std::string refused = RepairRefusal();
    if (!refused.empty()) std::fprintf(stderr, "tidewarp-cli: %s\n", refused.c_str());
    return !refused.empty();
}

int RunRestore(const CliOptions& options) {
    if (RepairRefused()) return 2;
    StderrNotifier notifier;
    ConfirmUnsigned confirm;
    if (options.allowUnsigned)
        confirm = [](const std::string& path, const std::string& problem) {
            std::fprintf(stderr, "tidewarp-cli: restoring %s as asked (--unsigned), although %s\n", path.c_str(),
                         problem.c_str());
            return true;
        };
    RestoreResult r = options.backupFile.empty()
                          ? RestoreLastBackup(notifier, confirm)
                          : RestoreBackupFile(ResolveBackup(options.backupFile), notifier, confirm);
    if (r.status == RestoreResult::Status::Unsigned)
        std::fprintf(stderr, "tidewarp-cli: if you know where it came from, restore it with: tidewarp-cli restore "
                             "--unsigned \"%s\"\n",
                     r.file.c_str());
    if (r.status == RestoreResult::Status::NotFound || r.status == RestoreResult::Status::Refused ||
        r.status == RestoreResult::Status::Unsigned)
        return 2;
    std::printf("%u key record(s) restored from %s.\n", static_cast<unsigned>(r.recordsApplied), r.file.c_str());
    std::printf("%u shortcut(s) put back", static_cast<unsigned>(r.linksRestored));
    if (!r.linksExisting.empty())
        std::printf("; %u left out: a file of that name exists there now", static_cast<unsigned>(r.linksExisting.size()));
    std::printf(".\n");
    return r.Complete() ? 0 : 2;
}

int RunExportReg(const CliOptions& options) {
    std::string source = options.backupFile;
    if (source.empty()) {
        if (BackupFolderLinked()) return 2;
        std::vector<BackupFileInfo> files = ListBackupFiles(BackupFolderPath());
        const BackupFileInfo* newest = NewestBackup(files);
        if (!newest) {
            std::fprintf(stderr, "tidewarp-cli: no backup in %s\n", BackupFolderPath().c_str());
            return 2;
        }
        source = newest->path;
    } else {
        source = ResolveBackup(source);
    }
    const ExportResult r = ExportBackup(source, options.outFile);
    switch (r.status) {
    case ExportResult::Status::Refused:
        std::fprintf(stderr, "tidewarp-cli: will not write %s: %s\n", options.outFile.c_str(), r.refused.c_str());
        return 2;
    case ExportResult::Status::Unreadable:
        std::fprintf(stderr, "tidewarp-cli: cannot read %s (error %lu)\n", source.c_str(),
                     static_cast<unsigned long>(r.error));
        return 2;
    case ExportResult::Status::WriteFailed:
        std::fprintf(stderr, "tidewarp-cli: cannot write %s (error %lu)\n", options.outFile.c_str(),
                     static_cast<unsigned long>(r.error));
        return 2;
    case ExportResult::Status::Written:
        break;
    }
    for (const std::string& what : r.omitted)
        std::fprintf(stderr, "tidewarp-cli: %s is left out of %s: a registry editor cannot read its name\n",
                     what.c_str(), options.outFile.c_str());
    if (r.damaged)
        std::fprintf(stderr,
                     "tidewarp-cli: %s is damaged (%s); %s holds the %u key record(s) before the damage\n",
                     source.c_str(), r.damage.c_str(), options.outFile.c_str(), static_cast<unsigned>(r.records));
    if (!r.Complete()) return 2;
    std::printf("%u key record(s) of %s written to %s.\n", static_cast<unsigned>(r.records),
                source.c_str(), options.outFile.c_str());
    return 0;
}

// Registry backup, fix and restore against same-run floors: a loop that only reads the same keys
// and values (for the backup), one that only deletes them (for the fix passes) and one that only
// writes them from memory (for the restore). Then the shortcut files a fix deletes: keeping them in
// the backup against the deletion itself and against a loop that only reads them, and putting them
// back against a loop that only creates and writes them. The signature a backup gets (and a restore
// checks) against only reading the backup file whole.
//
//   backup_bench [N ...]     (default: 1000 10000 planted errors; half KEY records, each a class key
//                             with two values and two sub-keys, half VAL records in one key; and
//                             1000 shortcut files of 1.5 KB)
#include "bench/BenchSupport.h"
#include "maintenance/BackupFolder.h"
#include "maintenance/BackupSignature.h"
#include "maintenance/LinkStoreFormat.h"
#include "platform/Files.h"
#include "maintenance/RegistryBackup.h"
#include "registry/RegistryLib.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Under a key the scanners look at, where a restore may write.
const char kValuesKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBench\\Values";

std::string ClassKey(int i) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "CLSID\\{BAC0BE7C-0000-4000-8000-%012d}", i);
    return buf;
}

std::string ValueName(int i) { return "C:\\bench-missing\\shared" + std::to_string(i) + ".dll"; }

struct NullNotifier : tw::Notifier {
    int shown = 0;

protected:
    void Show(const std::string&, tw::NoticeCaption) override { ++shown; }
};

void Set(HKEY key, const char* name, DWORD type, const std::string& data) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

// What the records name, planted (and written again by the write floor) with plain calls.
void Plant(int n) {
    HKEY values = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, kValuesKey, &values);
    for (int i = 0; i < n; ++i) {
        if (i % 2 == 0) {
            HKEY cls = nullptr, server = nullptr, progId = nullptr;
            if (RegCreateKeyA(HKEY_CLASSES_ROOT, ClassKey(i).c_str(), &cls) != ERROR_SUCCESS) continue;
            Set(cls, nullptr, REG_SZ, std::string("Bench class\0", 12));
            Set(cls, "AppID", REG_SZ, std::string("{00000000-0000-0000-0000-000000000000}\0", 39));
            RegCreateKeyA(cls, "InprocServer32", &server);
            Set(server, nullptr, REG_SZ, "C:\\bench-missing\\server" + std::to_string(i) + ".dll" + '\0');
            Set(server, "ThreadingModel", REG_SZ, std::string("Both\0", 5));
            RegCreateKeyA(cls, "ProgID", &progId);
            Set(progId, nullptr, REG_SZ, "Bench.Class." + std::to_string(i) + '\0');
            RegCloseKey(progId);
            RegCloseKey(server);
            RegCloseKey(cls);
        } else {
            DWORD count = 1;
            RegSetValueExA(values, ValueName(i).c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&count), 4);
        }
    }
    RegCloseKey(values);
}

// The delete floor: the removals a fix makes, with nothing written first.
void Remove(int n) {
    HKEY values = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kValuesKey, 0, KEY_SET_VALUE, &values);
    for (int i = 0; i < n; ++i) {
        if (i % 2 == 0) {
            CRegistryLib::DeleteTree(HKEY_CLASSES_ROOT, ClassKey(i));
        } else if (values) {
            RegDeleteValueA(values, ValueName(i).c_str());
        }
    }
    if (values) RegCloseKey(values);
}

ErrorList Records(int n) {
    ErrorList records(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        ErrorRecord& r = records[static_cast<std::size_t>(i)];
        if (i % 2 == 0) {
            r.SetCategory("CLSID");
            r.SetKeyPath("HKEY_CLASSES_ROOT\\" + ClassKey(i));
            r.SetFixKind("KEY");
        } else {
            r.SetCategory("SharedFile");
            r.SetKeyPath(std::string("HKEY_LOCAL_MACHINE\\") + kValuesKey);
            r.SetFixKind("VAL");
            r.SetValue(RegValueEntry{ValueName(i), "0x00000001 (1)", REG_DWORD});
        }
    }
    return records;
}

// The read floor: open each record's key and read what the backup reads, with fixed buffers and
// nothing kept or written.
long ReadTree(HKEY key) {
    char name[1024];
    BYTE data[4096];
    long bytes = 0;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, data, &dataSize) != ERROR_SUCCESS) break;
        bytes += static_cast<long>(dataSize);
    }
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        bytes += ReadTree(sub);
        RegCloseKey(sub);
    }
    return bytes;
}

long ReadFloor(int n) {
    long bytes = 0;
    for (int i = 0; i < n; ++i) {
        HKEY key = nullptr;
        if (i % 2 == 0) {
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ClassKey(i).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
            bytes += ReadTree(key);
        } else {
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kValuesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
            BYTE data[16];
            DWORD size = sizeof data;
            if (RegQueryValueExA(key, ValueName(i).c_str(), nullptr, nullptr, data, &size) == ERROR_SUCCESS)
                bytes += static_cast<long>(size);
        }
        RegCloseKey(key);
    }
    return bytes;
}

void ClearBackups() {
    for (const BackupFileInfo& f : ListBackupFiles(BackupFolderPath())) {
        DeleteFileA(f.path.c_str());
        DeleteFileA(backup::LinkStoreName(f.path).c_str());
    }
}

const char kLinkFolder[] = "bench-links";
const std::string kLinkBytes(1536, 'L');

std::vector<std::string> LinkPaths(int n) {
    std::vector<std::string> paths;
    const std::string folder = JoinPath(CurrentDirectory(), kLinkFolder);
    for (int i = 0; i < n; ++i) paths.push_back(folder + "\\link" + std::to_string(i) + ".lnk");
    return paths;
}

// The floor of putting them back: create each file anew and write its bytes.
void WriteLinks(const std::vector<std::string>& paths) {
    CreateDirectoryA(kLinkFolder, nullptr);
    for (const std::string& p : paths) {
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD wrote = 0;
        WriteFile(h, kLinkBytes.data(), static_cast<DWORD>(kLinkBytes.size()), &wrote, nullptr);
        CloseHandle(h);
    }
}

// The floor of keeping them: open and read each one.
void ReadLinks(const std::vector<std::string>& paths) {
    std::string buffer(kLinkBytes.size(), '\0');
    for (const std::string& p : paths) {
        HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        ReadFile(h, &buffer[0], static_cast<DWORD>(buffer.size()), &got, nullptr);
        CloseHandle(h);
    }
}

void BenchLinks(int n, int rounds) {
    const std::vector<std::string> paths = LinkPaths(n);
    std::vector<double> keep, read, remove, putBack, write;
    NullNotifier notifier;
    for (int round = 0; round < rounds; ++round) {
        ClearBackups();
        for (const std::string& p : paths) DeleteFileA(p.c_str());
        double a = bench::Now();
        WriteLinks(paths);
        double b = bench::Now();
        ReadLinks(paths);
        double c = bench::Now();
        BackupResult r = BackupErrorKeys({}, paths);
        double d = bench::Now();
        for (const std::string& p : paths) DeleteFileA(p.c_str());
        double e = bench::Now();
        RestoreResult restored = RestoreBackupFile(r.path, notifier);
        double f = bench::Now();
        if (r.linksSaved != paths.size() || restored.linksRestored != paths.size())
            std::printf("  links: %u kept, %u put back of %d\n", static_cast<unsigned>(r.linksSaved),
                        static_cast<unsigned>(restored.linksRestored), n);
        write.push_back(b - a);
        read.push_back(c - b);
        keep.push_back(d - c);
        remove.push_back(e - d);
        putBack.push_back(f - e);
    }
    const double k = bench::Median(keep), rd = bench::Median(read), rm = bench::Median(remove);
    const double p = bench::Median(putBack), w = bench::Median(write);
    std::printf("%-8d %-8s %12.1f %14.1f %8.2f   (against the deletion: %.2f)\n", n, "keep lnk", k * 1e6 / n,
                rd * 1e6 / n, k / rd, k / rm);
    std::printf("%-8d %-8s %12.1f %14.1f %8.2f\n", n, "put back", p * 1e6 / n, w * 1e6 / n, p / w);
    for (const std::string& path : paths) DeleteFileA(path.c_str());
    RemoveDirectoryA(kLinkFolder);
    ClearBackups();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000};
    const int rounds = 5;

    std::printf("%-8s %-8s %12s %14s %8s %10s\n", "records", "phase", "us/record", "floor us/rec", "ratio",
                "file KB");
    for (int n : sizes) {
        ClearBackups();
        Remove(n);
        double t0 = bench::Now();
        Plant(n);
        double plantSeconds = bench::Now() - t0;
        const ErrorList records = Records(n);

        std::string path;
        auto [backup, readFloor] = bench::Alternate(
            rounds,
            [&] {
                BackupResult r = BackupErrorKeys(records);
                if (r.status != BackupResult::Status::Saved || !r.incomplete.empty())
                    std::printf("  backup failed: %s\n", r.message.c_str());
                path = r.path;
            },
            [&] { ReadFloor(n); });

        // Each round: plant (the write floor), fix, restore, delete again (the delete floor).
        std::vector<double> restoreTimes, writeTimes, fixTimes, deleteTimes;
        NullNotifier notifier;
        for (int round = 0; round < rounds; ++round) {
            Remove(n);
            double a = bench::Now();
            Plant(n);
            double b = bench::Now();
            CRegistryLib lib;
            lib.Errors() = records;
            SummaryList summaries{{"Invalid CLSID", n, n, 0}};
            lib.FixAll(summaries, "FixedOnBench.xml");
            double c = bench::Now();
            RestoreResult r = RestoreBackupFile(path, notifier);
            double d = bench::Now();
            Remove(n);
            double e = bench::Now();
            if (summaries[0].fixed != n) std::printf("  fix removed %d of %d\n", summaries[0].fixed, n);
            if (!r.Complete()) std::printf("  restore incomplete\n");
            writeTimes.push_back(b - a);
            fixTimes.push_back(c - b);
            restoreTimes.push_back(d - c);
            deleteTimes.push_back(e - d);
        }
        double restore = bench::Median(restoreTimes), writeFloor = bench::Median(writeTimes);
        double fix = bench::Median(fixTimes), deleteFloor = bench::Median(deleteTimes);
        double kb = 0;
        for (const BackupFileInfo& f : ListBackupFiles(BackupFolderPath()))
            if (f.path == path) kb = static_cast<double>(f.size) / 1024;

        std::printf("%-8d %-8s %12.1f %14.1f %8.2f %10.0f\n", n, "backup", backup * 1e6 / n, readFloor * 1e6 / n,
                    backup / readFloor, kb);
        std::printf("%-8d %-8s %12.1f %14.1f %8.2f\n", n, "fix", fix * 1e6 / n, deleteFloor * 1e6 / n,
                    fix / deleteFloor);
        std::printf("%-8d %-8s %12.1f %14.1f %8.2f\n", n, "restore", restore * 1e6 / n, writeFloor * 1e6 / n,
                    restore / writeFloor);
        auto [sign, readFile] = bench::Alternate(
            rounds, [&] { backup::SignBackup(path); },
            [&] {
                std::string bytes;
                tw::ReadWholeFile(path, bytes);
            });
        std::printf("%-8d %-8s %12.1f %14.1f %8.2f   (floor: reading the file)\n", n, "sign", sign * 1e6 / n,
                    readFile * 1e6 / n, sign / readFile);
        std::printf("  (planting took %.1f s)\n", plantSeconds);
        Remove(n);
        ClearBackups();
    }
    BenchLinks(1000, rounds);
    return 0;
}

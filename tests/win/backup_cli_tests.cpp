// tidewarp-cli backups, restore and export-reg as a script sees them, and the exported file
// imported by Wine's own registry editor.
#include "doctest.h"

#include "backup_test_support.h"
#include "maintenance/RegistryBackup.h"
#include "test_json.h"
#include "test_process.h"

using namespace backuptest;

namespace {

const char kCli[] = "tidewarp-cli.exe";
const char kKey[] = "Software\\TidewarpBackupTest";

std::string FullPath(const std::string& name) { return JoinPath(CurrentDirectory(), name); }

}  // namespace

TEST_CASE("backups, restore and export-reg with no backup at all") {
    BackupFolderScratch folder;
    auto list = testproc::Run(kCli, "backups --json");
    CHECK(list.exitCode == 0);
    auto json = testjson::Parse(list.out);
    CHECK(json["backups"].size() == 0);
    CHECK(json["folder"].text == BackupFolderPath());
    CHECK(testproc::Run(kCli, "backups").out.find("(none)") != std::string::npos);

    auto restore = testproc::Run(kCli, "restore");
    CHECK(restore.exitCode == 2);
    CHECK(restore.err == "Backup file not found in " + BackupFolderPath() + "\\*.reg.\r\n");
    auto exported = testproc::Run(kCli, "export-reg out.reg");
    CHECK(exported.exitCode == 2);
    CHECK_FALSE(testreg::FileExists("out.reg"));

    auto help = testproc::Run(kCli, "--help");
    CHECK(help.out.find("restore [FILE]") != std::string::npos);
    CHECK(help.out.find("export-reg [BACKUP] OUT.reg") != std::string::npos);
    auto usage = testproc::Run(kCli, "export-reg");
    CHECK(usage.exitCode == 2);
    CHECK(usage.err.find("export-reg takes [BACKUP] OUT.reg") != std::string::npos);
}

TEST_CASE("backups lists newest last; restore takes the newest or the one named") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_CURRENT_USER, kKey);
    const ErrorList records = OneKeyRecord(std::string("HKEY_CURRENT_USER\\") + kKey);
    testreg::SetString(HKEY_CURRENT_USER, kKey, "n", "first");
    BackupResult first = BackupErrorKeys(records);
    testreg::SetString(HKEY_CURRENT_USER, kKey, "n", "second");
    testreg::SetString(HKEY_CURRENT_USER, kKey, "more", "so the files differ in size");
    BackupResult second = BackupErrorKeys(records);
    REQUIRE(first.status == BackupResult::Status::Saved);
    REQUIRE(second.status == BackupResult::Status::Saved);

    auto list = testproc::Run(kCli, "backups --json");
    CHECK(list.exitCode == 0);
    auto json = testjson::Parse(list.out);
    REQUIRE(json["backups"].size() == 2);
    CHECK(json["backups"][0]["path"].text == first.path);
    CHECK(json["backups"][1]["path"].text == second.path);
    CHECK(json["backups"][0]["size"].Int() == static_cast<long long>(testreg::ReadFile(first.path).size()));
    CHECK(json["backups"][1]["size"].Int() == static_cast<long long>(testreg::ReadFile(second.path).size()));
    CHECK(json["backups"][1]["created"].text.size() == 19);
    auto text = testproc::Run(kCli, "backups");
    CHECK(text.out.find(FileName(first.path)) < text.out.find(FileName(second.path)));

    testreg::SetString(HKEY_CURRENT_USER, kKey, "n", "changed");
    auto named = testproc::Run(kCli, "restore \"" + FileName(first.path) + "\"");
    CHECK(named.exitCode == 0);
    CHECK(named.out.find("1 key record(s) restored from " + first.path) != std::string::npos);
    CHECK(named.err == "Registry Restored from Last Backup\r\n");
    CHECK(ReadString(HKEY_CURRENT_USER, kKey, "n") == "first");

    CHECK(testproc::Run(kCli, "restore").exitCode == 0);
    CHECK(ReadString(HKEY_CURRENT_USER, kKey, "n") == "second");

    auto missing = testproc::Run(kCli, "restore no-such-backup.reg");
    CHECK(missing.exitCode == 2);
    CHECK(missing.err.find("Cannot read the backup file no-such-backup.reg") == 0);

    // A damaged file: exit 2, and what could be read is still exported.
    std::string bytes = testreg::ReadFile(second.path);
    testreg::WriteFile("damaged.reg", bytes.substr(0, bytes.size() - 1));
    auto damaged = testproc::Run(kCli, "export-reg damaged.reg out.reg");
    CHECK(damaged.exitCode == 2);
    CHECK(damaged.err.find("damaged.reg is damaged (record 1: ") != std::string::npos);
    CHECK(testreg::ReadFile("out.reg") == "REGEDIT4\r\n\r\n");
    auto restoreDamaged = testproc::Run(kCli, "restore damaged.reg");
    CHECK(restoreDamaged.exitCode == 2);
    CHECK(restoreDamaged.err.find("Registry Restored") == std::string::npos);
    DeleteFileA("damaged.reg");
    DeleteFileA("out.reg");
}

TEST_CASE("the exported registry-editor file, imported by Wine's own regedit and reg, restores the same state") {
    BackupFolderScratch folder;
    PlantedErrors planted(false);
    const Tree before = planted.Dump();
    REQUIRE(BackupErrorKeys(planted.records).status == BackupResult::Status::Saved);

    auto exported = testproc::Run(kCli, "export-reg planted.reg");
    REQUIRE(exported.exitCode == 0);
    CHECK(testreg::ReadFile("planted.reg").compare(0, 12, "REGEDIT4\r\n\r\n") == 0);

    planted.Remove();
    REQUIRE(planted.Dump().size() == 1);  // only the value the fix leaves alone
    CHECK(testproc::RunCommand("regedit.exe /s \"" + FullPath("planted.reg") + "\"").exitCode == 0);
    CheckSameTree(planted.Dump(), before);

    planted.Remove();
    REQUIRE(planted.Dump().size() == 1);
    CHECK(testproc::RunCommand("reg.exe import \"" + FullPath("planted.reg") + "\"").exitCode == 0);
    CheckSameTree(planted.Dump(), before);
    DeleteFileA("planted.reg");
}

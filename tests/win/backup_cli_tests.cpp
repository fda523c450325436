// tidewarp-cli backups, restore and export-reg as a script sees them, and the exported file
// imported by Wine's own registry editor.
#include "doctest.h"

#include "backup_test_support.h"
#include "maintenance/RegistryBackup.h"
#include "test_json.h"
#include "recording_notifier.h"
#include "test_process.h"

#include <memory>

using namespace backuptest;

namespace {

const char kCli[] = "tidewarp-cli.exe";
const char kKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest";

std::string FullPath(const std::string& name) { return JoinPath(CurrentDirectory(), name); }

// Starts the console program without waiting for it; its output goes nowhere.
HANDLE Start(const std::string& args) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + testproc::ProgramFolder() + "\\" + kCli + "\" " + args;
    BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(nul);
    if (!started) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// The exit code, or -1 when the process has not ended within five minutes (it is then ended).
int Finish(HANDLE process) {
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, 300000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    else TerminateProcess(process, 99);
    CloseHandle(process);
    return static_cast<int>(code);
}

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
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, kKey);
    const ErrorList records = OneKeyRecord(std::string("HKEY_LOCAL_MACHINE\\") + kKey);
    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "n", "first");
    BackupResult first = BackupErrorKeys(records);
    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "n", "second");
    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "more", "so the files differ in size");
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

    testreg::SetString(HKEY_LOCAL_MACHINE, kKey, "n", "changed");
    auto named = testproc::Run(kCli, "restore \"" + FileName(first.path) + "\"");
    CHECK(named.exitCode == 0);
    CHECK(named.out.find("1 key record(s) restored from " + first.path) != std::string::npos);
    CHECK(named.err == "Registry Restored from Last Backup\r\n");
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kKey, "n") == "first");

    CHECK(testproc::Run(kCli, "restore").exitCode == 0);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kKey, "n") == "second");

    auto missing = testproc::Run(kCli, "restore 2001-01-01_00-00-00.reg");
    CHECK(missing.exitCode == 2);
    CHECK(missing.err.find("Cannot read the backup file 2001-01-01_00-00-00.reg") == 0);

    // A damaged file: exit 2, and what could be read is still exported.
    std::string bytes = testreg::ReadFile(second.path);
    testreg::WriteFile("damaged.reg", bytes.substr(0, bytes.size() - 1));
    auto damaged = testproc::Run(kCli, "export-reg damaged.reg out.reg");
    CHECK(damaged.exitCode == 2);
    CHECK(damaged.err.find("damaged.reg is damaged (record 1: ") != std::string::npos);
    CHECK(testreg::ReadFile("out.reg") == "REGEDIT4\r\n\r\n");
    // Restored from a backup name: any other name is refused before the file is read.
    testreg::WriteFile("2001-01-01_00-00-00.reg", bytes.substr(0, bytes.size() - 1));
    auto restoreDamaged = testproc::Run(kCli, "restore 2001-01-01_00-00-00.reg");
    CHECK(restoreDamaged.exitCode == 2);
    CHECK(restoreDamaged.err.find("Registry Restored") == std::string::npos);
    DeleteFileA("damaged.reg");
    DeleteFileA("2001-01-01_00-00-00.reg");
    DeleteFileA("out.reg");
}

TEST_CASE("restore and backups see only the program's own backups, the newest by its name") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, kPlantedKey);
    PlantedBackups planted;
    auto list = testproc::Run(kCli, "backups");
    CHECK(list.exitCode == 0);
    CHECK(list.out.find("evil.reg") == std::string::npos);
    CHECK(list.out.find(FileName(planted.older)) < list.out.find(FileName(planted.newer)));
    CHECK(list.out.find(FileName(planted.newer)) < list.out.find(FileName(planted.future)));

    auto last = testproc::Run(kCli, "restore");
    CHECK(last.exitCode == 0);
    CHECK(last.out.find("restored from " + planted.newer) != std::string::npos);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kPlantedKey, "n") == "newer");
    for (const std::string& path : {planted.evil, planted.future, FileName(planted.future)}) {
        CAPTURE(path);
        auto refused = testproc::Run(kCli, "restore \"" + path + "\"");
        CHECK(refused.exitCode == 2);
        CHECK(refused.err.find("Not restored: ") == 0);
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kForeignKey));
    }
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

TEST_CASE("export-reg never writes over a backup and reports the names it leaves out") {
    BackupFolderScratch folder;
    backup::KeyRecord r;
    r.root = backup::kLocalMachine;
    r.path = kKey;
    r.body.values = {{"line\nbreak", REG_SZ, std::string("x\0", 2)}, {"ok", REG_SZ, std::string("y\0", 2)}};
    testreg::MakeFolders(BackupFolderPath());
    const std::string path = BackupFolderPath() + "\\2001-01-01_00-00-00.reg", bytes = backup::Encode({r});
    testreg::WriteFile(path, bytes);
    for (std::string out : {"Registry Backups\\2001-01-01_00-00-00.reg", "Registry Backups\\new.reg",
                            "registry backups\\..\\Registry Backups\\x.txt"}) {
        CAPTURE(out);
        auto run = testproc::Run(kCli, "export-reg \"" + path + "\" \"" + out + "\"");
        CHECK(run.exitCode == 2);
        CHECK(run.err.find("tidewarp-cli: will not write " + out + ": it ") == 0);
    }
    CHECK(testreg::ReadFile(path) == bytes);
    CHECK(BackupNames() == std::vector<std::string>{"2001-01-01_00-00-00.reg"});

    auto run = testproc::Run(kCli, "export-reg out.reg");
    CHECK(run.exitCode == 2);
    CHECK(run.err == "tidewarp-cli: value \"line\\nbreak\" in [HKEY_LOCAL_MACHINE\\" + std::string(kKey) +
                         "] is left out of out.reg: a registry editor cannot read its name\r\n");
    CHECK(testreg::ReadFile("out.reg").find("\r\n\"ok\"=\"y\"\r\n") != std::string::npos);
    DeleteFileA("out.reg");

    testreg::WriteFile("2001-01-01_00-00-00.reg", "");  // a backup that lost its contents restores nothing
    CHECK(testproc::Run(kCli, "restore 2001-01-01_00-00-00.reg").exitCode == 2);
    DeleteFileA("2001-01-01_00-00-00.reg");
}

TEST_CASE("two fixes started together in one folder both end, and every key either removed is in a backup") {
    BackupFolderScratch folder;
    std::vector<std::unique_ptr<testreg::ScratchKey>> keys;
    std::vector<testreg::Dump> before;
    for (int i = 0; i < 40; ++i) {
        char clsid[64];
        std::snprintf(clsid, sizeof clsid, "CLSID\\{B4C0FFEE-0000-4000-8000-0000000C%04d}", i);
        keys.push_back(std::make_unique<testreg::ScratchKey>(HKEY_CLASSES_ROOT, clsid));
        // Enough to read that the two backups are being written at the same time.
        for (int v = 0; v < 100; ++v)
            testreg::SetString(HKEY_CLASSES_ROOT, clsid, "v" + std::to_string(v), std::string(2000, 'd'));
        testreg::SetString(HKEY_CLASSES_ROOT, std::string(clsid) + "\\InprocServer32", "", "C:\\tw-missing\\c.dll");
        testreg::SetString(HKEY_CLASSES_ROOT, std::string(clsid) + "\\ProgID", "", "Tidewarp.Twice");
    }
    // A class that holds a name the code page cannot spell: reported, but neither run may remove it.
    SetWide(HKEY_CLASSES_ROOT, keys[7]->Path(), L"", kChinese, L"x");
    for (const auto& k : keys) before.push_back(testreg::DumpTree(HKEY_CLASSES_ROOT, k->Path()));

    HANDLE first = Start("fix --categories CLSID"), second = Start("fix --categories CLSID");
    REQUIRE((first && second));
    CHECK(Finish(first) == 0);
    CHECK(Finish(second) == 0);
    DeleteFileA("ignore.lst");
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, keys[0]->Path()));
    CHECK(testreg::DumpTree(HKEY_CLASSES_ROOT, keys[7]->Path()) == before[7]);

    RecordingNotifier notifier;
    std::vector<std::string> names = BackupNames();
    CHECK(names.size() >= 1);
    for (const std::string& name : names) RestoreBackupFile(JoinPath(BackupFolderPath(), name), notifier);
    for (std::size_t i = 0; i < keys.size(); ++i)
        CHECK(testreg::DumpTree(HKEY_CLASSES_ROOT, keys[i]->Path()) == before[i]);
}

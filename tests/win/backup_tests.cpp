// Registry backup and restore under Wine: planted errors of every category are backed up, removed
// and restored byte for byte; the backup folder keeps five files; failures are reported, never
// taken for success; the registry-editor export is checked against Wine's own regedit.
#include "doctest.h"

#include "backup_test_support.h"
#include "maintenance/BackupFolder.h"
#include "maintenance/RegistryBackup.h"
#include "platform/Text.h"
#include "recording_notifier.h"
#include "registry/RegistryLib.h"
#include "test_registry.h"

#include <algorithm>

using namespace backuptest;

TEST_CASE("planted errors of every category: back up, remove, restore byte for byte") {
    BackupFolderScratch folder;
    PlantedErrors planted;
    const Tree before = planted.Dump();
    REQUIRE(before.size() > 30);

    BackupResult backup = BackupErrorKeys(planted.records);
    REQUIRE(backup.status == BackupResult::Status::Saved);
    CHECK(backup.SafeToFix());
    CHECK(backup.incomplete.empty());
    CHECK(backup.recordsSaved == planted.records.size());
    CHECK(backup.path.find("\\Registry Backups\\") != std::string::npos);
    CHECK(testreg::FileExists(backup.path));
    CHECK_FALSE(testreg::FileExists(BackupTempName()));

    // The value over 16,383 bytes is in the file in full.
    backup::DecodeResult saved;
    DWORD error = 0;
    REQUIRE(backup::ReadBackupFile(backup.path, saved, error));
    CHECK_FALSE(saved.damaged);
    bool largeSaved = false;
    for (const backup::KeyRecord& r : saved.records)
        for (const backup::Value& v : r.body.values)
            if (v.name == kLargeValueName) largeSaved = v.data == LargeData() && r.body.values.size() == 1;
    CHECK(largeSaved);

    planted.Remove();
    const std::string uninstall = "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallPath);
    CHECK(planted.Dump() == Tree{{ValueId(uninstall, "DisplayName"), StringData("Tidewarp backup test")}});

    // Things that are not in the backup: added after the removal, or changed since.
    Tree expected = before;
    testreg::SetString(HKEY_CLASSES_ROOT, kClassPath, "AddedLater", "stays");
    testreg::CreateKey(HKEY_CLASSES_ROOT, std::string(kClassPath) + "\\Later");
    testreg::SetString(HKEY_CLASSES_ROOT, std::string(kClassPath) + "\\InprocServer32", "ThreadingModel", "Apartment");
    testreg::SetString(HKEY_LOCAL_MACHINE, kUninstallPath, "DisplayName", "Changed after the fix");
    expected[ValueId("HKEY_CLASSES_ROOT\\" + std::string(kClassPath), "AddedLater")] = StringData("stays");
    expected[KeyId("HKEY_CLASSES_ROOT\\" + std::string(kClassPath) + "\\Later")] = "";
    expected[ValueId(uninstall, "DisplayName")] = StringData("Changed after the fix");

    RecordingNotifier notifier;
    RestoreResult restored = RestoreLastBackup(notifier);
    CHECK(restored.status == RestoreResult::Status::Restored);
    CHECK(restored.Complete());
    CHECK(restored.file == backup.path);
    REQUIRE(notifier.notices.size() == 1);
    CHECK(notifier.notices[0].text == "Registry Restored from Last Backup");
    CHECK(notifier.notices[0].caption == tw::NoticeCaption::Empty);
    CheckSameTree(planted.Dump(), expected);
}

TEST_CASE("no records with a key path: no backup file, and a leftover temporary file is removed") {
    BackupFolderScratch folder;
    testreg::WriteFile(BackupTempName(), "left over");
    ErrorList records(2);
    records[0].SetCategory("CLSID");
    records[0].SetFixKind("KEY");  // unchecked: the fix run emptied its key path
    BackupResult r = BackupErrorKeys(records);
    CHECK(r.status == BackupResult::Status::NothingToBackUp);
    CHECK(r.SafeToFix());
    CHECK_FALSE(testreg::FileExists(BackupTempName()));
    CHECK(ListBackupFiles(BackupFolderPath()).empty());
    CHECK(BackupErrorKeys({}).status == BackupResult::Status::NothingToBackUp);
}

TEST_CASE("records that are skipped, already gone, or name a value that is not there") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "", "default");
    ErrorList records(5);
    records[0].SetKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\gone");  // already removed
    records[0].SetFixKind("KEY");
    records[1].SetKeyPath("hkey_local_machine\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");  // roots are case-sensitive
    records[1].SetFixKind("KEY");
    records[2].SetKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    records[2].SetFixKind("SHORTCUT");  // neither KEY nor VAL
    records[3].SetKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    records[3].SetFixKind("VAL");
    records[3].SetValue(RegValueEntry{"missing", "x", 1});
    records[4].SetKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    records[4].SetFixKind("VAL");
    records[4].SetValue(RegValueEntry{"(Default)", "default", 1});  // the unnamed value
    BackupResult r = BackupErrorKeys(records);
    REQUIRE(r.status == BackupResult::Status::Saved);
    CHECK(r.recordsSaved == 2);
    backup::DecodeResult d;
    DWORD error = 0;
    REQUIRE(backup::ReadBackupFile(r.path, d, error));
    REQUIRE(d.records.size() == 2);
    CHECK(d.records[0].body.values.empty());  // value count 0 for a value that is not there
    CHECK(d.records[0].body.subKeys.empty());
    REQUIRE(d.records[1].body.values.size() == 1);
    CHECK(d.records[1].body.values[0].name.empty());
    CHECK(d.records[1].body.values[0].data == std::string("default\0", 8));
    CHECK(d.records[1].root == backup::kLocalMachine);
    CHECK(d.records[1].path == "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
}

TEST_CASE("six earlier backups leave exactly five, the new one among them") {
    BackupFolderScratch folder;
    testreg::MakeFolders(BackupFolderPath());
    for (int day = 1; day <= 6; ++day)
        testreg::WriteFile(BackupFolderPath() + "\\2001-01-0" + std::to_string(day) + "_00-00-00.reg", "");
    // Not backups: left alone, and not counted.
    testreg::WriteFile(BackupFolderPath() + "\\desktop.ini", "");
    testreg::WriteFile(BackupFolderPath() + "\\notes.registry", "");
    testreg::MakeFolders(BackupFolderPath() + "\\folder.reg");

    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    BackupResult r = BackupErrorKeys(OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest"));
    REQUIRE(r.status == BackupResult::Status::Saved);
    std::vector<std::string> names = BackupNames();
    REQUIRE(names.size() == 5);
    CHECK(names[0] == "2001-01-03_00-00-00.reg");
    CHECK(names[3] == "2001-01-06_00-00-00.reg");
    CHECK(BackupFolderPath() + "\\" + names[4] == r.path);
    CHECK(testreg::FileExists(BackupFolderPath() + "\\desktop.ini"));
    CHECK(testreg::FileExists(BackupFolderPath() + "\\notes.registry"));
    CHECK(testreg::FileExists(BackupFolderPath() + "\\folder.reg"));
}

TEST_CASE("backups within one second get distinct names in time order; restore takes the newest") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    const auto records = OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "n", std::to_string(i));
        BackupResult r = BackupErrorKeys(records);
        REQUIRE(r.status == BackupResult::Status::Saved);
        paths.push_back(r.path);
    }
    // Plain name order is time order, and no backup replaced another.
    CHECK(std::is_sorted(paths.begin(), paths.end()));
    CHECK(BackupNames().size() == 3);
    // Two in a row nearly always share a second; then the second one carries a suffix.
    std::string first = FileName(paths[0]), second = FileName(paths[1]);
    if (first.size() == 23 && second.compare(0, 19, first, 0, 19) == 0) CHECK(second.substr(19) == "_001.reg");

    testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "n", "changed");
    RecordingNotifier notifier;
    CHECK(RestoreLastBackup(notifier).file == paths[2]);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, key.Path(), "n") == "2");
}

TEST_CASE("only the program's own backups are restored, the newest by the time in its name") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, kPlantedKey);
    PlantedBackups planted;
    // The files' creation times really run against their names.
    std::vector<BackupFileInfo> files = ListBackupFiles(BackupFolderPath());
    REQUIRE(files.size() == 3);  // "evil.reg" is no backup
    auto created = [&](const std::string& path) {
        return std::find_if(files.begin(), files.end(), [&](const BackupFileInfo& f) { return f.path == path; })->created;
    };
    FILETIME older = created(planted.older), newer = created(planted.newer);
    REQUIRE(CompareFileTime(&older, &newer) > 0);

    RecordingNotifier notifier;
    CHECK(RestoreLastBackup(notifier).file == planted.newer);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kPlantedKey, "n") == "newer");
    CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kForeignKey));

    for (const std::string& path : {planted.evil, planted.future}) {
        CAPTURE(path);
        RecordingNotifier refused;
        CHECK(RestoreBackupFile(path, refused).status == RestoreResult::Status::NotFound);
        CHECK(refused.Texts() == std::vector<std::string>{"Not restored: " + path +
                                                          " is not named like a backup of this program "
                                                          "(YYYY-MM-DD_HH-MM-SS.reg, at most a day after the time now)."});
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kForeignKey));
    }
    RecordingNotifier own;
    CHECK(RestoreBackupFile(planted.older, own).status == RestoreResult::Status::Restored);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, kPlantedKey, "n") == "older");
}

TEST_CASE("restore with no backup: the not-found message names the folder's pattern") {
    BackupFolderScratch folder;
    const std::string expected = "Backup file not found in " + BackupFolderPath() + "\\*.reg.";
    RecordingNotifier missing;
    CHECK(RestoreLastBackup(missing).status == RestoreResult::Status::NotFound);
    CHECK(missing.Texts() == std::vector<std::string>{expected});

    testreg::MakeFolders(BackupFolderPath());
    RecordingNotifier empty;
    CHECK(RestoreLastBackup(empty).status == RestoreResult::Status::NotFound);
    CHECK(empty.Texts() == std::vector<std::string>{expected});
}

TEST_CASE("a backup that cannot be written or moved into place is a failure, and nothing is left") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    const auto records = OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");

    SUBCASE("the temporary file cannot be created") {
        CreateDirectoryA(BackupTempName().c_str(), nullptr);  // a folder where the file should go
        BackupResult r = BackupErrorKeys(records);
        CHECK(r.status == BackupResult::Status::Failed);
        CHECK_FALSE(r.SafeToFix());
        CHECK_FALSE(r.SafeToFix(0));
        CHECK(r.error != 0);
        CHECK(r.message.find("could not be saved: cannot create") != std::string::npos);
        RemoveDirectoryA(BackupTempName().c_str());
    }
    SUBCASE("the backup folder cannot be made") {
        testreg::WriteFile(kBackupFolderName, "a file in the folder's place");
        BackupResult r = BackupErrorKeys(records);
        CHECK(r.status == BackupResult::Status::Failed);
        CHECK_FALSE(r.SafeToFix());
        CHECK(r.message.find("cannot move") != std::string::npos);
        CHECK_FALSE(testreg::FileExists(BackupTempName()));
        DeleteFileA(kBackupFolderName);
    }
}

TEST_CASE("a key that cannot be fully read is reported so the fix can leave it") {
    BackupFolderScratch folder;
    // A key name the registry refuses to open: present in the list, unreadable.
    ErrorList records = OneKeyRecord("HKEY_LOCAL_MACHINE\\\\TidewarpBadPath");
    BackupResult r = BackupErrorKeys(records);
    CHECK(r.status == BackupResult::Status::NothingToBackUp);  // and no empty file
    CHECK(r.incomplete == std::vector<std::size_t>{0});
    CHECK(r.SafeToFix());
    CHECK_FALSE(r.SafeToFix(0));
}

namespace {

// Two keys backed up as two records; the file's bytes are returned for damaging.
std::string TwoRecordBackup(std::string& path) {
    testreg::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\one", "v", "1");
    testreg::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\two", "v", "2");
    ErrorList records = OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\one");
    records.push_back(OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\two")[0]);
    BackupResult r = BackupErrorKeys(records);
    REQUIRE(r.status == BackupResult::Status::Saved);
    path = r.path;
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\one");
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest\\two");
    return testreg::ReadFile(path);
}

}  // namespace

TEST_CASE("a damaged backup restores what comes before the damage and never claims success") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    std::string path;
    std::string bytes = TwoRecordBackup(path);
    REQUIRE(bytes.size() > 40);
    RecordingNotifier notifier;
    Answer user;  // the signature no longer matches: restored only because the user says so

    SUBCASE("truncated inside the second record") {
        testreg::WriteFile(path, bytes.substr(0, bytes.size() - 3));
        RestoreResult r = RestoreLastBackup(notifier, user.Confirm());
        CHECK(r.status == RestoreResult::Status::Damaged);
        CHECK(r.recordsApplied == 1);
        CHECK(ReadString(HKEY_LOCAL_MACHINE, key.Path() + "\\one", "v") == "1");
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key.Path() + "\\two"));
        REQUIRE(notifier.notices.size() == 1);
        CHECK(notifier.notices[0].text.find("The backup file " + path + " is damaged (record 2: the file ends") == 0);
    }
    SUBCASE("an impossible length in the first record") {
        bytes[4] = bytes[5] = bytes[6] = bytes[7] = '\xff';
        testreg::WriteFile(path, bytes);
        RestoreResult r = RestoreLastBackup(notifier, user.Confirm());
        CHECK(r.status == RestoreResult::Status::Damaged);
        CHECK(r.recordsApplied == 0);
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key.Path() + "\\one"));
        REQUIRE(notifier.notices.size() == 1);
        CHECK(notifier.notices[0].text.find("(record 1: the key path length 4294967295 runs past the end") !=
              std::string::npos);
    }
    for (const auto& n : notifier.notices) CHECK(n.text != "Registry Restored from Last Backup");
    REQUIRE(user.problems.size() == 1);
    CHECK(user.problems[0].find("its signature does not match") == 0);
}

TEST_CASE("keys and values that cannot be written are reported one by one and the restore goes on") {
    BackupFolderScratch folder;
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    backup::KeyRecord bad;
    bad.root = backup::kLocalMachine;
    bad.path = key.Path() + "\\" + std::string(300, 'b');  // a name longer than the registry takes
    backup::KeyRecord good;
    good.root = backup::kLocalMachine;
    good.path = key.Path();
    good.body.values = {{std::string(20000, 'n'), REG_SZ, std::string("x\0", 2)},  // name too long
                        {"ok", REG_SZ, std::string("fine\0", 5)}};
    good.body.subKeys = {{std::string(300, 'k'), {}},  // name too long
                         {"sub", backup::KeyBody{{{"v", REG_DWORD, std::string("\1\0\0\0", 4)}}, {}}}};
    testreg::MakeFolders(BackupFolderPath());
    testreg::WriteFile(BackupFolderPath() + "\\2001-01-01_00-00-00.reg", backup::Encode({bad, good}));
    REQUIRE(backup::SignBackup(BackupFolderPath() + "\\2001-01-01_00-00-00.reg") == 0);

    RecordingNotifier notifier;
    RestoreResult r = RestoreLastBackup(notifier);
    CHECK(r.status == RestoreResult::Status::KeysFailed);
    CHECK(r.keyFailures == 2);
    CHECK(r.valueFailures == 1);
    CHECK(ReadString(HKEY_LOCAL_MACHINE, key.Path(), "ok") == "fine");
    CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key.Path() + "\\sub", "v"));
    std::vector<std::string> texts = notifier.Texts();
    REQUIRE(texts.size() == 3);
    CHECK(texts[0].find("Can't create key. Error code = ") == 0);
    CHECK(tw::EndsWith(texts[0], ". 80000002 " + bad.path));
    CHECK(texts[1] == "Exception!! Unable to restore registry from backup.");
    CHECK(texts[2].find("Can't create key. Error code = 234. ") == 0);
    CHECK(tw::EndsWith(texts[2], " " + std::string(300, 'k')));
}

TEST_CASE("names and text the code page cannot spell: no copy is kept, the record stays, no ?? comes back") {
    BackupFolderScratch folder;
    WideScratchKey key(L"SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    const std::string base = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest", full = "HKEY_LOCAL_MACHINE\\" + base;
    SetWide(HKEY_LOCAL_MACHINE, base, L"value", kChinese, L"x");
    SetWide(HKEY_LOCAL_MACHINE, base, std::wstring(L"sub\\deeper\\") + kChinese, L"", L"x");
    SetWide(HKEY_LOCAL_MACHINE, base, L"data", L"path", std::wstring(L"C:\\uni\\") + kChinese + L".dll");
    testreg::SetString(HKEY_LOCAL_MACHINE, base + "\\plain", "ok", "fine");
    ErrorList records = OneKeyRecord(full + "\\value");
    for (const char* sub : {"sub", "data", "plain"}) records.push_back(OneKeyRecord(full + "\\" + sub)[0]);
    for (const char* name : {"path", "??"}) {  // as a scanner's narrow listing names them
        records.push_back(OneKeyRecord(full + (name[0] == '?' ? "\\value" : "\\data"))[0]);
        records.back().SetFixKind("VAL");
        records.back().SetValue(RegValueEntry{name, "", REG_SZ});
    }
    BackupResult r = BackupErrorKeys(records);
    REQUIRE(r.status == BackupResult::Status::Saved);
    CHECK(r.incomplete == std::vector<std::size_t>{0, 1, 2, 4, 5});
    CHECK(r.recordsSaved == 1);

    RecordingNotifier notifier;
    CHECK(RestoreLastBackup(notifier).Complete());
    CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, base + "\\value", "??"));
    CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, base + "\\sub\\deeper\\??"));
    HKEY h = nullptr;  // the real text is untouched
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (base + "\\data").c_str(), 0, KEY_READ, &h) == 0);
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    RegQueryValueExW(h, L"path", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(h);
    CHECK(std::wstring(text) == std::wstring(L"C:\\uni\\") + kChinese + L".dll");
}

TEST_CASE("enumerations end on any failure: a key whose sub-keys cannot be listed is read as partial") {
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    testreg::SetString(HKEY_LOCAL_MACHINE, key.Path() + "\\a", "v", "1");
    testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "v", "1");
    HKEY h = nullptr;  // every index of the sub-key list answers "access denied"
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.Path().c_str(), 0, KEY_QUERY_VALUE, &h) == 0);
    backup::KeyBody body;
    CHECK(backup::ReadKeyBody(h, body) == backup::ReadOutcome::Partial);
    RegCloseKey(h);
    CHECK(body.values.size() == 1);
}

TEST_CASE("a backup written among five from the future is kept") {
    BackupFolderScratch folder;
    testreg::MakeFolders(BackupFolderPath());
    for (int day = 1; day <= 5; ++day)
        testreg::WriteFile(BackupFolderPath() + "\\2099-01-0" + std::to_string(day) + "_00-00-00.reg", "");
    testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest");
    BackupResult r = BackupErrorKeys(OneKeyRecord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest"));
    CHECK(testreg::FileExists(r.path));
    CHECK_FALSE(testreg::FileExists(BackupFolderPath() + "\\2099-01-01_00-00-00.reg"));
}

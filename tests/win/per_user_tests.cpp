// The current user's application paths, start-up and uninstall entries: scanned under their own
// HKEY_CURRENT_USER keys, removed there only, and brought back by the backup of the removal.
#include "doctest.h"

#include "backup_test_support.h"
#include "maintenance/RegExport.h"
#include "maintenance/RegistryBackup.h"
#include "planted_errors.h"
#include "recording_notifier.h"
#include "registry/RegistryLib.h"
#include "test_registry.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"

#include <set>

namespace {

const std::string kMissing = PerUserTwins::kMissing;
const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kUserRoot = "HKEY_CURRENT_USER\\";
const char* const kName = PerUserTwins::kName;

// The planted keys and values in both hives.
backuptest::Tree Dump(const PerUserTwins& twins) {
    backuptest::Tree t;
    for (const char* rootName : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        backuptest::DumpTree(backuptest::Root(rootName), rootName, twins.app, t);
        backuptest::DumpTree(backuptest::Root(rootName), rootName, twins.uninstall, t);
        backuptest::DumpValue(rootName, twins.run, kName, t);
    }
    return t;
}

// (category, key path, value name, item) of each record that names a planted file.
std::set<std::string> ScanPerUser(CRegistryLib& lib, SummaryList& summaries) {
    ScanSelection selection;
    for (int f : {ScanSelection::kAppPaths, ScanSelection::kStartup, ScanSelection::kUninstall})
        selection.field[f] = 1;
    lib.ScanAll(summaries, selection);
    ErrorList planted;
    std::set<std::string> seen;
    for (const ErrorRecord& r : lib.Errors()) {
        if (r.Item().find("tidewarp-missing") == std::string::npos) continue;
        planted.push_back(r);
        seen.insert(r.Category() + "|" + r.KeyPath() + "|" + (r.Value() ? r.Value()->name : "") + "|" + r.Item());
    }
    lib.Errors() = planted;
    return seen;
}

// A snapshot file of one key, as the fix writes it before a removal.
void WriteSnapshot(CRegistryLib& lib, const std::string& keyPath, const char* file) {
    XmlWriter writer;
    writer.SetFileName(file);
    XmlElement("registry").WriteStart(writer, +1, true, true);
    CHECK(lib.SnapshotPath(writer, keyPath, nullptr));
    XmlElement("registry").WriteEnd(writer, -1, true, true);
    REQUIRE(writer.Close());
}

}  // namespace

TEST_CASE("per-user entries: scanned under their own key, removed there only, restored from the backup") {
    backuptest::BackupFolderScratch folder;
    PerUserTwins twins;
    const backuptest::Tree before = Dump(twins);
    CRegistryLib lib;
    lib.SetIs9x(false);
    SummaryList summaries;

    const std::set<std::string> found = ScanPerUser(lib, summaries);
    const std::set<std::string> expected = {
        "APPPath|" + kUserRoot + kCurrentVersion + "App Paths\\twperuser.exe|(Default)|" + kMissing + "app.exe",
        "Startup|" + kUserRoot + kCurrentVersion + "Run|" + kName + "|" + kMissing + "run.exe",
        "Uninstall|" + kUserRoot + kCurrentVersion + "Uninstall\\twperuser|UninstallString|" + kMissing + "uninst.exe"};
    CHECK(found == expected);
    REQUIRE(lib.Errors().size() == 3);
    REQUIRE(summaries.size() == 3);  // one summary per category, machine-wide and per-user together
    for (const CategorySummary& s : summaries) CHECK(s.found == 1);

    const BackupResult backup = BackupErrorKeys(lib.Errors());
    REQUIRE(backup.status == BackupResult::Status::Saved);
    // The backup holds the keys under the current user's root handle, and exports them under its name.
    backup::DecodeResult saved;
    DWORD error = 0;
    REQUIRE(backup::ReadBackupFile(backup.path, saved, error));
    REQUIRE_FALSE(saved.records.empty());
    for (const backup::KeyRecord& r : saved.records) CHECK(r.root == backup::kCurrentUser);
    CHECK(backup::ExportRegedit4(saved.records).find("[HKEY_CURRENT_USER\\" + twins.run + "]") != std::string::npos);

    lib.FixAll(summaries, "PerUserFix.xml");

    // The per-user entries are gone; their machine-wide twins and the uninstall entry's other values stay.
    const HKEY u = HKEY_CURRENT_USER, m = HKEY_LOCAL_MACHINE;
    CHECK_FALSE(testreg::KeyExists(u, twins.app));
    CHECK_FALSE(testreg::ValueExists(u, twins.run, kName));
    CHECK_FALSE(testreg::ValueExists(u, twins.uninstall, "UninstallString"));
    CHECK(testreg::ValueExists(u, twins.uninstall, "DisplayName"));
    CHECK(testreg::ValueExists(m, twins.app, ""));
    CHECK(testreg::ValueExists(m, twins.run, kName));
    CHECK(testreg::ValueExists(m, twins.uninstall, "UninstallString"));

    RecordingNotifier notifier;
    const RestoreResult restored = RestoreLastBackup(notifier);
    CHECK(restored.status == RestoreResult::Status::Restored);
    CHECK(restored.Complete());
    backuptest::CheckSameTree(Dump(twins), before);

    CRegistryLib again;
    again.SetIs9x(false);
    CHECK(ScanPerUser(again, summaries) == expected);
}

TEST_CASE("an XML snapshot of a per-user key brings it back to the current user's hive") {
    PerUserTwins twins;
    const backuptest::Tree before = Dump(twins);
    CRegistryLib lib;
    WriteSnapshot(lib, kUserRoot + twins.app, "PerUserSnap.xml");
    CHECK(testreg::ReadFile("PerUserSnap.xml").find("HKEY_CURRENT_USER") != std::string::npos);

    testreg::DeleteTreeQuietly(HKEY_CURRENT_USER, twins.app);
    REQUIRE_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, twins.app));
    XmlReader reader;
    CHECK(lib.RestoreFromXml(reader, "PerUserSnap.xml"));
    DeleteFileA("PerUserSnap.xml");
    backuptest::CheckSameTree(Dump(twins), before);
}

namespace {

const char kTwinClass[] = "{7E000001-7E00-4000-8000-000000000001}";
const std::string kClassesKey = std::string("Software\\Classes\\CLSID\\") + kTwinClass;

// Windows shows a class registered in both hives through HKEY_CLASSES_ROOT as the user's; Wine does
// not merge the hives. For the guard's lifetime HKEY_CLASSES_ROOT is the user's classes key, so
// whatever goes through it reaches the user's class, as it would on Windows.
struct MergedClassesView {
    MergedClassesView() {
        HKEY user = nullptr;
        RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Classes", &user);
        REQUIRE(RegOverridePredefKey(HKEY_CLASSES_ROOT, user) == ERROR_SUCCESS);
        RegCloseKey(user);
    }
    ~MergedClassesView() { RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
};

// The same class in both hives, its server missing in one of them; each has a ProgID sub-key.
struct ClassTwins {
    explicit ClassTwins(bool userBroken) {
        Clean();
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const bool broken = (root == HKEY_CURRENT_USER) == userBroken;
            const std::string server = broken ? kMissing + "class.dll" : PerUserTwins::kSound;
            testreg::SetString(root, kClassesKey + "\\InprocServer32", "", server);
            const char* progId = root == HKEY_CURRENT_USER ? "Tw.User" : "Tw.Machine";
            testreg::SetString(root, kClassesKey + "\\ProgID", "", progId);
        }
    }
    ~ClassTwins() { Clean(); }
    static void Clean() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) testreg::DeleteTreeQuietly(root, kClassesKey);
    }
    static backuptest::Tree Dump() {
        backuptest::Tree t;
        for (const char* rootName : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"})
            backuptest::DumpTree(backuptest::Root(rootName), rootName, kClassesKey, t);
        return t;
    }
};

std::vector<std::string> ScanTwinClass(CRegistryLib& lib) {
    testreg::SetStopEvent(false);
    SummaryList summaries;
    lib.ScanClasses(summaries);
    ErrorList planted;
    std::vector<std::string> paths;
    for (const ErrorRecord& r : lib.Errors())
        if (r.KeyPath().find(kTwinClass) != std::string::npos) {
            planted.push_back(r);
            paths.push_back(r.KeyPath());
        }
    lib.Errors() = planted;
    return paths;
}

// Scan, backup, fix, restore and scan again, all with HKEY_CLASSES_ROOT showing the user's class.
void CheckTwinClass(bool userBroken) {
    backuptest::BackupFolderScratch folder;
    ClassTwins twins(userBroken);
    const backuptest::Tree before = twins.Dump();
    const HKEY brokenHive = userBroken ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const HKEY soundHive = userBroken ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const std::string machineName = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kTwinClass;
    const std::string expected = userBroken ? kUserRoot + kClassesKey : machineName;
    MergedClassesView merged;
    CRegistryLib lib;
    lib.SetIs9x(false);
    CHECK(ScanTwinClass(lib) == std::vector<std::string>{expected});

    const BackupResult backup = BackupErrorKeys(lib.Errors());
    REQUIRE(backup.status == BackupResult::Status::Saved);
    backup::DecodeResult saved;
    DWORD error = 0;
    REQUIRE(backup::ReadBackupFile(backup.path, saved, error));
    REQUIRE(saved.records.size() == 1);
    CHECK(saved.records[0].root == (userBroken ? backup::kCurrentUser : backup::kClassesRoot));
    // A registry editor importing the export writes each class into its own hive.
    const std::string exported =
        userBroken ? expected : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\" + std::string(kTwinClass);
    CHECK(backup::ExportRegedit4(saved.records).find("[" + exported + "\\InprocServer32]") != std::string::npos);

    WriteSnapshot(lib, expected, "TwinClassSnap.xml");

    SummaryList summaries;
    lib.FixAll(summaries, "TwinClassFix.xml");
    CHECK_FALSE(testreg::KeyExists(brokenHive, kClassesKey));
    CHECK(testreg::ValueExists(soundHive, kClassesKey + "\\InprocServer32", ""));
    // A dry run now finds nothing to remove: it looks where the fix removed, not at the twin.
    CHECK(lib.PlanFix(summaries) == std::vector<CRegistryLib::PlannedFix>{CRegistryLib::PlannedFix::Gone});

    // The snapshot puts the class back into its own hive; removed again, the backup does the same.
    XmlReader reader;
    CHECK(lib.RestoreFromXml(reader, "TwinClassSnap.xml"));
    DeleteFileA("TwinClassSnap.xml");
    backuptest::CheckSameTree(twins.Dump(), before);
    testreg::DeleteTreeQuietly(brokenHive, kClassesKey);

    RecordingNotifier notifier;
    const RestoreResult restored = RestoreLastBackup(notifier);
    CHECK(restored.status == RestoreResult::Status::Restored);
    backuptest::CheckSameTree(twins.Dump(), before);

    CRegistryLib again;
    REQUIRE(ScanTwinClass(again) == std::vector<std::string>{expected});  // its record is kept next

    // Kept by the user: its file goes on the ignore list and neither hive reports the class.
    const bool hadIgnoreList = testreg::FileExists(kIgnoreFileName);
    const std::string oldIgnoreList = hadIgnoreList ? testreg::ReadFile(kIgnoreFileName) : std::string();
    again.IgnoreList().push_back(again.Errors().front());
    REQUIRE(again.SaveIgnoreList() == 0);
    CRegistryLib kept;
    CHECK(ScanTwinClass(kept).empty());
    if (hadIgnoreList)
        testreg::WriteFile(kIgnoreFileName, oldIgnoreList);
    else
        DeleteFileA(kIgnoreFileName);
}

}  // namespace

TEST_CASE("a class in both hives, broken in one: reported once under that hive's key, removed there only") {
    SUBCASE("broken in the user's hive") { CheckTwinClass(true); }
    SUBCASE("broken machine-wide") { CheckTwinClass(false); }
}

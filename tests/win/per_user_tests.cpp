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
    XmlWriter writer;
    writer.SetFileName("PerUserSnap.xml");
    XmlElement("registry").WriteStart(writer, +1, true, true);
    CHECK(lib.SnapshotPath(writer, kUserRoot + twins.app, nullptr));
    XmlElement("registry").WriteEnd(writer, -1, true, true);
    REQUIRE(writer.Close());
    CHECK(testreg::ReadFile("PerUserSnap.xml").find("HKEY_CURRENT_USER") != std::string::npos);

    testreg::DeleteTreeQuietly(HKEY_CURRENT_USER, twins.app);
    REQUIRE_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, twins.app));
    XmlReader reader;
    CHECK(lib.RestoreFromXml(reader, "PerUserSnap.xml"));
    DeleteFileA("PerUserSnap.xml");
    backuptest::CheckSameTree(Dump(twins), before);
}

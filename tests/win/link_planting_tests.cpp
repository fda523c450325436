// Links planted under the names of the files the program keeps in its folder, as a user who may
// write that folder could plant them (Unix links stand in under Wine): whatever the program does
// with the file, the file the link leads to stays as it was and its contents go nowhere.
#include "doctest.h"

#include "backup_test_support.h"
#include "log/LogFile.h"
#include "maintenance/BackupFolder.h"
#include "maintenance/BackupFormat.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/RegistryBackup.h"
#include "platform/SafeFile.h"
#include "recording_notifier.h"
#include "registry/RegistryLib.h"
#include "test_links.h"
#include "test_registry.h"
#include "xml/XmlReader.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kElsewhere = "C:\\tw-sentinel";
const std::string kSentinel = kElsewhere + "\\kept.bin";
const std::string kPutBack = kElsewhere + "\\put-back.lnk";  // where the sentinel store would put a link
const char kSentinelKey[] = "Software\\TidewarpSentinel";
const char kScratchKey[] = "Software\\TidewarpLinkPlanting";
const char kMark[] = "SENTINEL";
const char kOldBackup[] = "2000-01-01_00-00-00.reg";

enum class Kind { Symbolic, Hard };

// What the sentinel holds: something each reader would act on visibly if it ever read it.
enum class Holds {
    Snapshot,   // a snapshot that creates kSentinelKey; as an ignore list, lines holding kMark
    Backup,     // a backup that creates kSentinelKey
    LinkStore,  // a store that puts a shortcut back at kPutBack
};

std::string SentinelBytes(Holds holds) {
    if (holds == Holds::Backup) {
        backup::KeyRecord record;
        record.root = backup::kCurrentUser;
        record.path = kSentinelKey;
        record.body.values.push_back({"read", REG_SZ, kMark});
        return backup::Encode({record});
    }
    if (holds == Holds::LinkStore) {
        backup::SavedLink link;
        link.path = kPutBack;
        link.bytes = kMark;
        return backup::EncodeLinks({link});
    }
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<registry>\r\n") +
           " <k name=\"HKEY_CURRENT_USER\">\r\n  <k name=\"Software\">\r\n   <k name=\"TidewarpSentinel\">\r\n" +
           "    <v name=\"read\" value=\"" + kMark + "\"/>\r\n   </k>\r\n  </k>\r\n </k>\r\n</registry>\r\n";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A link at `at` to `target`, made by the Unix tools; Wine cannot wait for them, so this waits for
// the name to appear.
void Plant(const std::string& at, Kind kind, const std::string& target = kSentinel) {
    const std::string ln = kind == Kind::Symbolic ? "/bin/ln -s \"" : "/bin/ln \"";
    REQUIRE(testunix::Start(ln + testunix::UnixPath(target) + "\" \"" + testunix::UnixPath(at) + "\""));
    for (int i = 0; i < 250 && !Exists(at); ++i) Sleep(20);
    REQUIRE(Exists(at));
}

std::string CurrentFolder() {
    char buf[MAX_PATH];
    return std::string(buf, GetCurrentDirectoryA(MAX_PATH, buf));
}

// One backup of a scratch key, through the real backup.
BackupResult BackUpScratchKey(const std::vector<std::string>& links = {}) {
    testreg::SetString(HKEY_CURRENT_USER, kScratchKey, "v", "backed up");
    return BackupErrorKeys(backuptest::OneKeyRecord(std::string("HKEY_CURRENT_USER\\") + kScratchKey), links);
}

void MakeBackupFolderWithNewerBackups() {
    CreateDirectoryA(BackupFolderPath().c_str(), nullptr);
    for (int year = 2001; year <= 2005; ++year)
        testreg::WriteFile(BackupFolderPath() + "\\" + std::to_string(year) + "-01-01_00-00-00.reg", "");
}

// One file the program keeps in its folder: where the link goes, what the file it leads to holds,
// and the operation on it, which returns everything it showed or loaded.
struct Row {
    const char* name;
    Holds holds;
    std::string (*plantAt)();
    void (*before)();
    std::string (*operation)();
};

std::string Texts(const RecordingNotifier& notes) {
    std::string out;
    for (const std::string& t : notes.Texts()) out += t + "\n";
    return out;
}

const Row kRows[] = {
    {"ignore.lst, loaded and saved", Holds::Snapshot, [] { return std::string("ignore.lst"); }, nullptr,
     [] {
         CRegistryLib lib;
         std::string shown;
         for (const ErrorRecord& r : lib.IgnoreList()) shown += r.Item() + "\n" + r.Category() + "\n";
         lib.IgnoreList().emplace_back().SetItem("C:\\new.dll");
         CHECK(lib.SaveIgnoreList() == static_cast<LONG>(tw::kLinkRefused));
         return shown;
     }},
    {"the temporary file of ignore.lst", Holds::Snapshot, [] { return tw::TemporaryNameFor("ignore.lst"); }, nullptr,
     [] {
         CRegistryLib lib;
         lib.IgnoreList().emplace_back().SetItem("C:\\new.dll");
         CHECK(lib.SaveIgnoreList() != 0);
         return std::string();
     }},
    {"the snapshot a fix writes and deletes", Holds::Snapshot, [] { return std::string("FixedOnPlanted.xml"); },
     nullptr,
     [] {
         CRegistryLib lib;
         SummaryList summaries;
         lib.FixAll(summaries, "FixedOnPlanted.xml");
         return std::string();
     }},
    {"a snapshot read back", Holds::Snapshot, [] { return std::string("FixedOnRead.xml"); }, nullptr,
     [] {
         RecordingNotifier notes;
         CRegistryLib lib;
         lib.SetNotifier(&notes);
         XmlReader reader;
         CHECK_FALSE(lib.RestoreFromXml(reader, "FixedOnRead.xml"));
         return Texts(notes);
     }},
    {"the temporary backup file 1.*.reg", Holds::Backup, [] { return BackupTempName(); }, nullptr,
     [] {
         BackupResult r = BackUpScratchKey();
         CHECK(r.status == BackupResult::Status::Failed);
         return r.message;
     }},
    {"the temporary store of shortcuts", Holds::LinkStore, [] { return backup::LinkStoreName(BackupTempName()); },
     [] { testreg::WriteFile("kept.lnk", "a shortcut"); },
     [] {
         BackupResult r = BackUpScratchKey({CurrentFolder() + "\\kept.lnk"});
         CHECK(r.linksSaved == 0);
         return r.message;
     }},
    {"the oldest backup, pruned", Holds::Backup, [] { return BackupFolderPath() + "\\" + kOldBackup; },
     MakeBackupFolderWithNewerBackups,
     [] {
         CHECK(BackUpScratchKey().status == BackupResult::Status::Saved);
         return std::string();
     }},
    {"a backup restored", Holds::Backup, [] { return BackupFolderPath() + "\\" + kOldBackup; },
     [] { CreateDirectoryA(BackupFolderPath().c_str(), nullptr); },
     [] {
         RecordingNotifier notes;
         RestoreBackupFile(BackupFolderPath() + "\\" + kOldBackup, notes);
         return Texts(notes);
     }},
    {"the store of shortcuts beside a backup", Holds::LinkStore,
     [] { return backup::LinkStoreName(BackupFolderPath() + "\\" + kOldBackup); },
     [] {
         CreateDirectoryA(BackupFolderPath().c_str(), nullptr);
         testreg::WriteFile(BackupFolderPath() + "\\" + kOldBackup, "");
     },
     [] {
         RecordingNotifier notes;
         RestoreBackupFile(BackupFolderPath() + "\\" + kOldBackup, notes);
         return Texts(notes);
     }},
    {"the log, appended to and rewritten", Holds::Snapshot, [] { return CurrentFolder() + "\\planted.log"; }, nullptr,
     [] {
         LogFile log;
         log.Open(CurrentFolder() + "\\planted.log", true, 0);
         log.Close();
         log.Open(CurrentFolder() + "\\planted.log", false, 0);
         log.Close();
         return std::string();
     }},
};

// Removed by the Unix tools: Windows calls on a link under Wine would reach what it leads to. Wine
// cannot wait for a Unix process, so the shell leaves a mark when it is done.
void RemoveAll(const std::vector<std::string>& paths) {
    const std::string done = CurrentFolder() + "\\removed.mark";
    DeleteFileA(done.c_str());
    std::string line = "/bin/sh -c \"rm -rf";
    for (const std::string& p : paths) line += " '" + testunix::UnixPath(p) + "'";
    line += "; touch '" + testunix::UnixPath(done) + "'\"";
    REQUIRE(testunix::Start(line));
    for (int i = 0; i < 250 && !Exists(done); ++i) Sleep(20);
    REQUIRE(DeleteFileA(done.c_str()));
}

void Clean() {
    std::vector<std::string> paths = {BackupFolderPath(), kElsewhere, tw::TemporaryNameFor("ignore.lst"),
                                      BackupTempName(), backup::LinkStoreName(BackupTempName())};
    for (const char* name : {"ignore.lst", "FixedOnPlanted.xml", "FixedOnRead.xml", "planted.log", "kept.lnk"})
        paths.push_back(name);
    for (std::string& p : paths)
        if (p.find(':') == std::string::npos) p = CurrentFolder() + "\\" + p;
    RemoveAll(paths);
    testreg::DeleteTreeQuietly(HKEY_CURRENT_USER, kSentinelKey);
    testreg::DeleteTreeQuietly(HKEY_CURRENT_USER, kScratchKey);
}

}  // namespace

TEST_CASE("a link planted under the name of any file of ours leaves the file it leads to alone, unread") {
    for (const Row& row : kRows) {
        for (Kind kind : {Kind::Symbolic, Kind::Hard}) {
            SUBCASE((std::string(row.name) + (kind == Kind::Symbolic ? ", symbolic link" : ", hard link")).c_str()) {
                Clean();
                CreateDirectoryA(kElsewhere.c_str(), nullptr);
                const std::string bytes = SentinelBytes(row.holds);
                testreg::WriteFile(kSentinel, bytes);
                if (row.before) row.before();
                Plant(row.plantAt(), kind);

                const std::string shown = row.operation();

                CHECK(testreg::FileExists(kSentinel));
                CHECK(testreg::ReadFile(kSentinel) == bytes);
                CHECK(shown.find(kMark) == std::string::npos);
                CHECK_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, kSentinelKey));
                CHECK_FALSE(Exists(kPutBack));
                for (const BackupFileInfo& f : ListBackupFiles(BackupFolderPath()))
                    if (f.path != row.plantAt()) CHECK(testreg::ReadFile(f.path).find(kMark) == std::string::npos);
                Clean();
            }
        }
    }
}

TEST_CASE("a \"Registry Backups\" folder that is a link is neither written nor pruned") {
    Clean();
    const std::string target = kElsewhere + "\\backups";
    testreg::MakeFolders(target);
    std::vector<std::string> names;
    for (int year = 2001; year <= 2006; ++year) {
        names.push_back(std::to_string(year) + "-01-01_00-00-00.reg");
        testreg::WriteFile(target + "\\" + names.back(), "");
    }
    Plant(BackupFolderPath(), Kind::Symbolic, target);

    BackupResult r = BackUpScratchKey();
    CHECK(r.status == BackupResult::Status::Failed);
    CHECK_FALSE(r.SafeToFix());
    CHECK(r.message.find("is a link") != std::string::npos);
    std::vector<std::string> after;
    for (const BackupFileInfo& f : ListBackupFiles(target)) after.push_back(f.name);
    std::sort(after.begin(), after.end());
    CHECK(after == names);
    CHECK_FALSE(testreg::FileExists(BackupTempName()));

    RecordingNotifier notes;
    CHECK(RestoreLastBackup(notes).status == RestoreResult::Status::NotFound);
    CHECK(Texts(notes) == "The folder " + BackupFolderPath() + " is a link, and nothing is read through it.\n");

    Clean();
}

TEST_CASE("a link under the log's name that leads nowhere yet makes no file where it leads") {
    Clean();
    CreateDirectoryA(kElsewhere.c_str(), nullptr);
    const std::string absent = kElsewhere + "\\made-by-the-log.txt";
    testreg::WriteFile(absent, "");
    Plant(CurrentFolder() + "\\planted.log", Kind::Symbolic, absent);
    REQUIRE(DeleteFileA(absent.c_str()));  // under Wine this removes what the link leads to

    LogFile log;
    log.Open(CurrentFolder() + "\\planted.log", true, 0);
    CHECK_FALSE(log.IsOpen());
    log.Close();
    CHECK_FALSE(Exists(absent));
    Clean();
}

TEST_CASE("a plain file that already holds the snapshot's name is neither written nor removed by the fix") {
    Clean();
    testreg::WriteFile("FixedOnPlanted.xml", "someone else's");
    CRegistryLib lib;
    SummaryList summaries;
    lib.FixAll(summaries, "FixedOnPlanted.xml");
    CHECK(testreg::ReadFile("FixedOnPlanted.xml") == "someone else's");
    Clean();
}

// tidewarp-cli fix end to end: scan, keep what the user keeps, back up, remove, and undo it all with
// restore. Wine's own four unfixable fonts are put on the ignore list first so the prefix keeps them.
#include "doctest.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/RegistryBackup.h"
#include "planted_errors.h"
#include "recording_notifier.h"
#include "test_drives.h"
#include "test_folder_acl.h"
#include "test_json.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <map>
#include <set>

namespace {

const char kCli[] = "tidewarp-cli.exe";

// The registry places the planted errors live in, as they are now.
struct Snapshot {
    std::vector<testreg::Dump> dumps;
    explicit Snapshot(const PlantedErrors& p) {
        dumps.push_back(testreg::DumpTree(HKEY_CLASSES_ROOT, p.clsid));
        for (const auto& key : p.keys) dumps.push_back(testreg::DumpTree(key->Root(), key->Path()));
        for (const auto& [key, name] : p.values) {
            testreg::Dump all = testreg::DumpTree(HKEY_LOCAL_MACHINE, key), one;
            auto it = all.find("|" + name);
            if (it != all.end()) one.insert(*it);
            dumps.push_back(one);
        }
    }
    bool operator==(const Snapshot& o) const { return dumps == o.dumps; }
};

}  // namespace

TEST_CASE("fix backs up, removes all but the kept items, and restore brings everything back") {
    CleanFolder folder;
    PlantedErrors planted;
    const Snapshot before(planted);
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string links = Here() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");
    testlink::MakeLink(links + "\\kept.lnk", links + "\\also-gone.txt");
    const std::string keptFont = "C:\\windows\\fonts\\tidewarp-fix.ttf";

    auto r = testproc::Run(kCli, "fix --json --keep " + keptFont + " --keep \"" + links + "\\kept.lnk\"");
    REQUIRE(r.exitCode == 0);
    auto json = testjson::Parse(r.out);
    CHECK(json["errors"].size() == 10);  // what the scan found, kept item included
    int removed = 0;
    for (const auto& s : json["summaries"].items) removed += static_cast<int>(s["fixed"].Int());
    CHECK(removed == 9);
    CHECK(json["left_in_place"].size() == 0);
    CHECK(json["shortcut_counts"]["deleted"].Int() == 1);

    // Everything but the kept font value is gone; the kept items are on the ignore list.
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
    for (const auto& [key, name] : planted.values) {
        CAPTURE(name);
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key, name) == (name == "Tidewarp Fix (TrueType)"));
    }
    CHECK_FALSE(testreg::FileExists(links + "\\gone.lnk"));
    CHECK(testreg::FileExists(links + "\\kept.lnk"));
    const std::string ignore = testreg::ReadFile("ignore.lst");
    CHECK(ignore == std::string(kWineFonts) + keptFont + "\r\nfont\r\n" + links + "\\kept.lnk\r\nSHORTCUT\r\n");
    CHECK(BackupCount() == 1);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("FixedOn*.xml", &fd);
    CHECK(h == INVALID_HANDLE_VALUE);  // the snapshot is removed at the end of the run
    if (h != INVALID_HANDLE_VALUE) FindClose(h);

    // A second scan reports none of it again.
    auto again = testjson::Parse(testproc::Run(kCli, "scan --json").out);
    for (const auto& e : again["errors"].items) CHECK(e["item"].text.find("tidewarp-") == std::string::npos);
    CHECK(again["shortcuts"].size() == 0);

    // The backup undoes the fix, byte for byte.
    auto restore = testproc::Run(kCli, "restore");
    CHECK(restore.exitCode == 0);
    CHECK(restore.err.find("Registry Restored from Last Backup") != std::string::npos);
    CHECK(Snapshot(planted) == before);
}

TEST_CASE("a fix that cannot put its backup in place removes nothing") {
    CleanFolder folder;
    PlantedErrors planted;
    const Snapshot before(planted);
    testreg::WriteFile("ignore.lst", kWineFonts);
    testreg::WriteFile("Registry Backups", "a file where the folder should be");
    const std::string links = Here() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");

    auto r = testproc::Run(kCli, "fix");
    CHECK(r.exitCode == 2);
    CHECK(r.err.find("Nothing was removed.") != std::string::npos);
    CHECK(r.out.empty());
    CHECK(Snapshot(planted) == before);
    CHECK(testreg::FileExists(links + "\\gone.lnk"));
    CHECK_FALSE(testreg::FileExists("1.reg"));
}

TEST_CASE("run as administrator from a folder others may change, fix, restore and restore-xml refuse; scan runs") {
    // Wine: every process is an administrator.
    CleanFolder folder;
    PlantedErrors planted;
    const Snapshot before(planted);
    testreg::WriteFile("ignore.lst", kWineFonts);
    REQUIRE(testproc::Run(kCli, "fix").exitCode == 0);
    const Snapshot fixed(planted);
    REQUIRE(BackupCount() == 1);
    const char xmlKey[] = "Software\\TidewarpTests\\Trust";
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, xmlKey);
    testreg::WriteFile("s.xml", "<registry><k name=\"HKEY_LOCAL_MACHINE\"><k name=\"Software\"><k name=\"TidewarpTests\">"
                                "<k name=\"Trust\"><v name=\"n\" value=\"v\"/></k></k></k></k></registry>\r\n");
    auto refused = [](const testproc::Result& r) {
        CHECK(r.exitCode == 2);
        CHECK(r.err.find("other users may change " + Here() + " (Everyone)") != std::string::npos);
        CHECK(r.err.find("Install Tidewarp") != std::string::npos);
    };
    {
        testacl::OpenToEveryone open(Here());
        REQUIRE(open.error == ERROR_SUCCESS);
        refused(testproc::Run(kCli, "restore"));
        CHECK(Snapshot(planted) == fixed);
        refused(testproc::Run(kCli, "restore-xml s.xml"));
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, xmlKey));
    }
    // Closed to others again, the same backup restores.
    REQUIRE(testproc::Run(kCli, "restore").exitCode == 0);
    CHECK(Snapshot(planted) == before);
    CHECK(testproc::Run(kCli, "restore-xml s.xml").exitCode == 0);
    CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, xmlKey));
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, xmlKey);

    testacl::OpenToEveryone open(Here());
    refused(testproc::Run(kCli, "fix"));
    CHECK(Snapshot(planted) == before);
    CHECK(BackupCount() == 1);
    CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);
    auto scan = testproc::Run(kCli, "scan --categories CLSID --json");
    CHECK(scan.exitCode == 1);
    CHECK(testjson::Parse(scan.out)["errors"].size() == 1);
}

TEST_CASE("on the 9x family a class key with sub-keys goes with one delete") {
    CleanFolder folder;
    PlantedErrors planted;
    testreg::SetString(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98");
    auto r = testproc::Run(kCli, "fix --categories CLSID --json");
    HKEY wine = nullptr;
    RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Wine", &wine);
    RegDeleteValueA(wine, "Version");
    RegCloseKey(wine);

    CHECK(r.exitCode == 0);
    auto json = testjson::Parse(r.out);
    REQUIRE(json["summaries"].size() == 1);
    CHECK(json["summaries"][0]["fixed"].Int() == 1);
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
}

TEST_CASE("fix with nothing to remove says so and succeeds") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", kWineFonts);
    auto r = testproc::Run(kCli, "fix --categories VxD,font --json");
    CHECK(r.exitCode == 0);
    auto json = testjson::Parse(r.out);
    CHECK(json["errors"].size() == 0);
    CHECK(BackupCount() == 0);
}

TEST_CASE("restore-xml applies a snapshot file and reports what it cannot write") {
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, "Software\\TidewarpTests\\Xml");
    testreg::WriteFile("s.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n <registry>\r\n"
                                "  <k name=\"HKEY_LOCAL_MACHINE\">\r\n   <k name=\"Software\">\r\n"
                                "    <k name=\"TidewarpTests\">\r\n     <k name=\"Xml\">\r\n"
                                "      <v name=\"it&apos;s\" value=\"a&gt;b &amp; caf\xc3\xa9\"/>\r\n"
                                "     </k>\r\n    </k>\r\n   </k>\r\n  </k>\r\n </registry>\r\n");
    auto ok = testproc::Run(kCli, "restore-xml s.xml");
    CHECK(ok.exitCode == 0);
    auto d = testreg::DumpTree(HKEY_LOCAL_MACHINE, "Software\\TidewarpTests\\Xml");
    REQUIRE(d.count("|it's") == 1);
    CHECK(d["|it's"].second == std::vector<unsigned char>{'a', '>', 'b', ' ', '&', ' ', 'c', 'a', 'f', 0xe9, 0});

    testreg::WriteFile("bad.xml", "<registry>\r\n<k name=\"HKEY_NOWHERE\">\r\n</k>\r\n</registry>\r\n");
    auto bad = testproc::Run(kCli, "restore-xml bad.xml");
    CHECK(bad.exitCode == 2);
    CHECK(bad.err.find("not applied completely") != std::string::npos);
    CHECK(testproc::Run(kCli, "restore-xml missing.xml").exitCode == 2);
    // Not a whole snapshot: a failure that says where, never "Applied".
    testreg::WriteFile("empty.xml", "");
    testreg::WriteFile("junk.xml", testreg::ReadFile("s.xml") + "junk\r\n");
    for (const char* file : {"empty.xml", "junk.xml", "CON"}) {
        CAPTURE(file);
        auto r = testproc::Run(kCli, std::string("restore-xml ") + file);
        CHECK(r.exitCode == 2);
        CHECK(r.out.find("Applied") == std::string::npos);
        CHECK((r.err.find("line ") != std::string::npos || file[0] == 'C'));
    }
    DeleteFileA("empty.xml");
    DeleteFileA("junk.xml");
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, "Software\\TidewarpTests\\Xml");
    DeleteFileA("s.xml");
    DeleteFileA("bad.xml");
}

namespace {

const std::string kM = "C:\\tidewarp-missing\\";
const wchar_t kRunW[] = L"Software\\Microsoft\\Windows\\Currentversion\\Run";
const wchar_t kUniFile[] = L"C:\\uni\\\u4E2D\u6587.dll";  // no ANSI code page of the test prefix spells it
const wchar_t kUniAppKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tidewarp\u4E2D.exe";

void SetWide(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    HKEY h = nullptr;
    REQUIRE(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == ERROR_SUCCESS);
    RegSetValueExW(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}

bool WideValueExists(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExW(h, name.empty() ? nullptr : name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

void DeleteWideValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return;
    RegDeleteValueW(h, name.c_str());
    RegCloseKey(h);
}

}  // namespace

TEST_CASE("entries the code page cannot spell are neither reported nor removed") {
    CleanFolder folder;
    CreateDirectoryW(L"C:\\uni", nullptr);
    HANDLE file = CreateFileW(kUniFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    CloseHandle(file);
    testreg::ScratchKey cls(HKEY_CLASSES_ROOT, "CLSID\\{7D1DE0F1-0000-4000-8000-00000000UNIC}");
    SetWide(HKEY_CLASSES_ROOT, L"CLSID\\{7D1DE0F1-0000-4000-8000-00000000UNIC}\\InprocServer32", L"", kUniFile);
    SetWide(HKEY_LOCAL_MACHINE, kRunW, L"TidewarpUni", kUniFile);
    // A missing file under a name that only the wide form spells: no narrow name could remove it.
    SetWide(HKEY_LOCAL_MACHINE, kRunW, L"Tidewarp\u4E2D", L"C:\\tidewarp-missing\\uni-gone.exe");
    SetWide(HKEY_LOCAL_MACHINE, kUniAppKey, L"", L"C:\\tidewarp-missing\\uni-app.exe");

    auto r = testproc::Run(kCli, "fix --categories CLSID,Startup,APPPath --json");
    CHECK(r.exitCode == 0);
    auto json = testjson::Parse(r.out);
    for (const auto& e : json["errors"].items) {
        CHECK(e["item"].text.find("uni") == std::string::npos);
        CHECK(e["key"].text.find("?") == std::string::npos);
    }
    CHECK(WideValueExists(HKEY_CLASSES_ROOT, L"CLSID\\{7D1DE0F1-0000-4000-8000-00000000UNIC}\\InprocServer32", L""));
    CHECK(WideValueExists(HKEY_LOCAL_MACHINE, kRunW, L"TidewarpUni"));
    CHECK(WideValueExists(HKEY_LOCAL_MACHINE, kRunW, L"Tidewarp\u4E2D"));
    CHECK(WideValueExists(HKEY_LOCAL_MACHINE, kUniAppKey, L""));

    DeleteWideValue(HKEY_LOCAL_MACHINE, kRunW, L"TidewarpUni");
    DeleteWideValue(HKEY_LOCAL_MACHINE, kRunW, L"Tidewarp\u4E2D");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUniAppKey);
    DeleteFileW(kUniFile);
    RemoveDirectoryW(L"C:\\uni");
}

TEST_CASE("a whole key stays when it holds a kept row or an ignored entry, and the run says so") {
    CleanFolder folder;
    testreg::ScratchKey app(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpKeep.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, app.Path(), "", kM + "keep-a.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, app.Path(), "Path", kM + "keep-b.exe");
    const std::string cls = "CLSID\\{7D1DE0F1-0000-4000-8000-00000000KEEP}";
    testreg::ScratchKey classKey(HKEY_CLASSES_ROOT, cls);
    testreg::SetString(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "", kM + "ignored-srv.dll");
    testreg::SetString(HKEY_CLASSES_ROOT, cls + "\\LocalServer32", "", kM + "reported-srv.exe");
    testreg::WriteFile("ignore.lst", kM + "ignored-srv.dll\r\nCLSID\r\n");
    auto stays = [&] {
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, app.Path(), ""));
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, app.Path(), "Path"));
        CHECK(testreg::ValueExists(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", ""));
        CHECK(testreg::ValueExists(HKEY_CLASSES_ROOT, cls + "\\LocalServer32", ""));
    };

    // The kept item is named in other letters' case than the scan reports it.
    auto r = testproc::Run(kCli, "fix --categories CLSID,APPPath --json --keep C:\\TIDEWARP-MISSING\\Keep-A.EXE");
    CHECK(r.exitCode == 1);  // rows stay with the kept one: a later scan finds them again
    auto json = testjson::Parse(r.out);
    std::set<std::string> left;
    for (const auto& l : json["left_in_place"].items) {
        left.insert(l["item"].text);
        CHECK(json["errors"][static_cast<std::size_t>(l["row"].Int())]["item"].text == l["item"].text);
    }
    CHECK(left == std::set<std::string>{kM + "keep-b.exe", kM + "reported-srv.exe"});
    for (const auto& s : json["summaries"].items) CHECK(s["fixed"].Int() == 0);
    stays();
    CHECK(testreg::ReadFile("ignore.lst").find(kM + "keep-a.exe\r\nAPPPath\r\n") != std::string::npos);

    // Next time the kept row is an ignored entry of the key: it still stays, and the table says why.
    auto again = testproc::Run(kCli, "fix --categories CLSID,APPPath");
    CHECK(again.exitCode == 1);
    CHECK(again.out.find("Left in place: 2") != std::string::npos);
    auto line = testproc::Run(kCli, "fix --categories CLSID,APPPath --summary");
    CHECK(line.exitCode == 1);
    CHECK(line.out.find("; 0 removed; 2 left in place\r\n") != std::string::npos);
    CHECK(again.out.find("[APPPath] " + kM + "keep-b.exe: its key holds an entry that is kept") != std::string::npos);
    stays();
}

TEST_CASE("only a file on a local fixed drive that is there now can be missing") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", kWineFonts);
    // Z: is the prefix's network drive; the others are mapped for the test, one letter left unmapped.
    const std::string u(1, testdrive::UnusedLetter());
    testdrive::MappedDrive usb(u[0], DRIVE_REMOVABLE, Here() + "\\usb");
    const std::string c(1, testdrive::UnusedLetter());
    testdrive::MappedDrive cd(c[0], DRIVE_CDROM, Here() + "\\cd");
    const std::string m(1, testdrive::UnusedLetter());
    testdrive::MappedDrive ram(m[0], DRIVE_RAMDISK, Here() + "\\ram");
    REQUIRE((usb.Ok() && cd.Ok() && ram.Ok()));
    const std::string absent(1, testdrive::UnusedLetter());
    REQUIRE(absent != "?");
    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    const std::map<std::string, std::string> outOfReach{
        {"TidewarpUsb", u + ":\\PortableApps\\app.exe"},
        {"TidewarpCd", c + ":\\setup.exe"},
        {"TidewarpRam", m + ":\\tool.exe"},
        {"TidewarpAbsent", absent + ":\\tool.exe"},
        {"TidewarpNet", "Z:\\tidewarp-nowhere\\app.exe"},
        {"TidewarpUnc", "\\\\192.0.2.10\\share\\app.exe"},
        {"TidewarpUncSlashes", "//192.0.2.10/share/fwd.exe"},
        {"TidewarpDevice", "\\\\?\\UNC\\192.0.2.10\\share\\dev.exe"},
    };
    testreg::PlantedValues values;
    values.String(run, "TidewarpLocal", kM + "local.exe");
    for (const auto& [name, path] : outOfReach) values.String(run, name, path);
    // A class with one server missing here and one on a share: removing its key would remove both.
    testreg::ScratchKey cls(HKEY_CLASSES_ROOT, "CLSID\\{7D1DE0F1-0000-4000-8000-0000000000FA}");
    testreg::SetString(HKEY_CLASSES_ROOT, cls.Path() + "\\InprocServer32", "", kM + "far.dll");
    testreg::SetString(HKEY_CLASSES_ROOT, cls.Path() + "\\LocalServer32", "", "\\\\192.0.2.10\\share\\far.exe");
    const std::string links = Here() + "\\links";
    testreg::MakeFolders(links);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");
    testlink::MakeLink(links + "\\usb.lnk", u + ":\\PortableApps\\app.exe");
    testlink::MakeLink(links + "\\unc.lnk", "\\\\192.0.2.10\\share\\x.exe");
    testlink::MakeLink(links + "\\net.lnk", "Z:\\tidewarp-nowhere\\x.exe");
    testlink::MakeLink(links + "\\absent.lnk", absent + ":\\x.exe");

    const std::string categories = " --categories CLSID,Startup,SHORTCUT";
    auto text = testproc::Run(kCli, "scan" + categories);
    CHECK(text.out.find("Not checked (not on a local fixed drive, never reported or removed): 13\r\n") !=
          std::string::npos);

    auto r = testproc::Run(kCli, "fix --json" + categories);
    CHECK(r.exitCode == 1);  // the class holding a server on the share is left in place
    auto json = testjson::Parse(r.out);
    std::set<std::string> reported;
    for (const auto& e : json["errors"].items) reported.insert(e["item"].text);
    CHECK(reported == std::set<std::string>{kM + "local.exe", kM + "far.dll"});
    std::vector<std::string> ourLinks;
    for (const auto& l : json["shortcuts"].items)
        if (l.text.find(links) == 0) ourLinks.push_back(l.text);
    CHECK(ourLinks == std::vector<std::string>{links + "\\gone.lnk"});

    std::map<std::string, std::string> listed;  // value name or link -> item or target
    for (const auto& u : json["unreachable"].items) {
        if (u["category"].text == "Startup") {
            CHECK(u["key"].text == "HKEY_LOCAL_MACHINE\\" + run);
            listed[u["value_name"].text] = u["item"].text;
        } else if (u["category"].text == "CLSID") {
            CHECK(u["key"].text == "HKEY_CLASSES_ROOT\\" + cls.Path());
            listed["class"] = u["item"].text;
        } else if (u["category"].text == "SHORTCUT" && u["item"].text.find(links) == 0) {
            CHECK(u["value_name"].kind == testjson::Value::Null);
            listed[u["item"].text] = u["target"].text;
        }
    }
    std::map<std::string, std::string> expected = outOfReach;
    expected["class"] = "\\\\192.0.2.10\\share\\far.exe";
    expected[links + "\\usb.lnk"] = u + ":\\PortableApps\\app.exe";
    expected[links + "\\unc.lnk"] = "\\\\192.0.2.10\\share\\x.exe";
    expected[links + "\\net.lnk"] = "Z:\\tidewarp-nowhere\\x.exe";
    expected[links + "\\absent.lnk"] = absent + ":\\x.exe";
    CHECK(listed == expected);

    // Only the local entries went; the class stays, as its key holds the server on the share.
    CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, run, "TidewarpLocal"));
    for (const auto& [name, path] : outOfReach) CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, run, name));
    CHECK(testreg::ValueExists(HKEY_CLASSES_ROOT, cls.Path() + "\\InprocServer32", ""));
    REQUIRE(json["left_in_place"].size() == 1);
    CHECK(json["left_in_place"][0]["item"].text == kM + "far.dll");
    CHECK_FALSE(testreg::FileExists(links + "\\gone.lnk"));
    for (const char* link : {"usb.lnk", "unc.lnk", "net.lnk", "absent.lnk"})
        CHECK(testreg::FileExists(links + "\\" + link));
}

namespace {

// A file as a restore must bring it back: its bytes, the attributes it keeps, its times.
struct FileState {
    std::string bytes;
    DWORD attributes = 0;
    FILETIME created{}, accessed{}, written{};
};

FileState ReadState(const std::string& path) {
    FileState s;
    s.bytes = testreg::ReadFile(path);
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info)) {
        s.attributes = info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
        s.created = info.ftCreationTime;
        s.accessed = info.ftLastAccessTime;
        s.written = info.ftLastWriteTime;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return s;
}

void CheckSameFile(const std::string& path, const FileState& expected) {
    CAPTURE(path);
    REQUIRE(testreg::FileExists(path));
    const FileState now = ReadState(path);
    CHECK(now.bytes == expected.bytes);
    CHECK(now.attributes == expected.attributes);
    CHECK(CompareFileTime(&now.written, &expected.written) == 0);
    CHECK(CompareFileTime(&now.created, &expected.created) == 0);
}

// Times of years ago, so that a file made anew now cannot have them by chance.
void SetOldTimes(const std::string& path, int year) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = 3;
    t.wDay = 4;
    t.wHour = 5;
    FILETIME created, accessed, written;
    SystemTimeToFileTime(&t, &created);
    ++t.wMonth;
    SystemTimeToFileTime(&t, &accessed);
    ++t.wMonth;
    SystemTimeToFileTime(&t, &written);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);
}

// The one backup of the folder, and the store of shortcuts that belongs to it.
std::string OnlyBackup() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("Registry Backups\\*.reg", &fd);
    if (h == INVALID_HANDLE_VALUE) return {};
    FindClose(h);
    return Here() + "\\Registry Backups\\" + fd.cFileName;
}
std::string StoreOf(const std::string& reg) { return reg.substr(0, reg.size() - 4) + ".links"; }

}  // namespace

TEST_CASE("the shortcut files a fix deletes come back from its backup") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string links = Here() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    const std::string plain = links + "\\plain.lnk", readOnly = links + "\\read-only.lnk";
    testlink::MakeLink(plain, links + "\\gone.txt");
    testlink::MakeLink(readOnly, links + "\\also-gone.txt");
    SetOldTimes(plain, 2011);
    SetOldTimes(readOnly, 2012);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const FileState plainBefore = ReadState(plain), readOnlyBefore = ReadState(readOnly);
    REQUIRE((readOnlyBefore.attributes & FILE_ATTRIBUTE_READONLY) != 0);

    SUBCASE("a fix of links alone writes a backup that restore finds; a file there now is left alone") {
        auto fix = testproc::Run(kCli, "fix --json");
        REQUIRE(fix.exitCode == 0);
        CHECK(testjson::Parse(fix.out)["shortcut_counts"]["deleted"].Int() == 2);
        CHECK_FALSE(testreg::FileExists(plain));
        CHECK_FALSE(testreg::FileExists(readOnly));
        auto list = testjson::Parse(testproc::Run(kCli, "backups --json").out);
        REQUIRE(list["backups"].size() == 1);  // the store is not a backup of its own
        CHECK(list["backups"][0]["size"].Int() == 0);
        CHECK(list["backups"][0]["links"].Int() == 2);
        CHECK(list["backups"][0]["links_damaged"].boolean == false);
        CHECK(testproc::Run(kCli, "backups").out.find(" 2 shortcut(s)") != std::string::npos);

        testreg::WriteFile(plain, "made since the fix");
        auto restore = testproc::Run(kCli, "restore");
        CHECK(restore.exitCode == 0);
        CHECK(restore.err.find("exists there now (it was left as it is):") != std::string::npos);
        CHECK(restore.err.find("  " + plain) != std::string::npos);
        CHECK(restore.out.find("1 shortcut(s) put back; 1 left out") != std::string::npos);
        CHECK(testreg::ReadFile(plain) == "made since the fix");
        CHECK_FALSE(testreg::FileExists(plain + ".tw-restore"));
        CheckSameFile(readOnly, readOnlyBefore);

        // Named, and again: what is there now stays, what is gone comes back.
        DeleteFileA(plain.c_str());
        CHECK(testproc::Run(kCli, "restore \"" + OnlyBackup() + "\"").exitCode == 0);
        CheckSameFile(plain, plainBefore);
        CheckSameFile(readOnly, readOnlyBefore);

        // Without its store the empty registry file is a backup that lost its contents, and says so
        // (its signature, which covered the store, no longer matches: restored only when asked for).
        REQUIRE(DeleteFileA(StoreOf(OnlyBackup()).c_str()));
        auto refused = testproc::Run(kCli, "restore");
        CHECK(refused.exitCode == 2);
        CHECK(refused.err.find("its signature does not match") != std::string::npos);
        auto lost = testproc::Run(kCli, "restore --unsigned \"" + OnlyBackup() + "\"");
        CHECK(lost.exitCode == 2);
        CHECK(lost.err.find("no store of shortcuts lies beside it") != std::string::npos);
    }

    SUBCASE("a link the backup cannot keep is not deleted; the others are, and come back") {
        const std::string huge = links + "\\huge.lnk";
        testlink::MakeLink(huge, links + "\\gone-too.txt");
        testreg::WriteFile(huge, testreg::ReadFile(huge) + std::string(17 << 20, '\0'));
        auto fix = testproc::Run(kCli, "fix --json");
        CHECK(fix.exitCode == 1);  // something asked for was not done: not a success
        auto json = testjson::Parse(fix.out);
        CHECK(json["shortcut_counts"]["deleted"].Int() == 2);
        REQUIRE(json["left_in_place"].size() == 1);
        CHECK(json["left_in_place"][0]["category"].text == "SHORTCUT");
        CHECK(json["left_in_place"][0]["item"].text == huge);
        CHECK(json["left_in_place"][0]["reason"].text.find("larger than any shortcut") != std::string::npos);
        CHECK(testreg::FileExists(huge));
        CHECK(testproc::Run(kCli, "restore").exitCode == 0);
        CheckSameFile(plain, plainBefore);
        CheckSameFile(readOnly, readOnlyBefore);
    }

    SUBCASE("pruning a backup takes its links with it") {
        testreg::MakeFolders(Here() + "\\Registry Backups");
        for (int day = 1; day <= 5; ++day) {
            const std::string name = Here() + "\\Registry Backups\\2020-01-0" + std::to_string(day) + "_00-00-00";
            testreg::WriteFile(name + ".reg", "");
            testreg::WriteFile(name + ".links", "the links of day " + std::to_string(day));
        }
        REQUIRE(testproc::Run(kCli, "fix").exitCode == 0);
        CHECK(BackupCount() == 5);
        CHECK_FALSE(testreg::FileExists("Registry Backups\\2020-01-01_00-00-00.reg"));
        CHECK_FALSE(testreg::FileExists("Registry Backups\\2020-01-01_00-00-00.links"));
        for (int day = 2; day <= 5; ++day)
            CHECK(testreg::FileExists("Registry Backups\\2020-01-0" + std::to_string(day) + "_00-00-00.links"));
    }

    SUBCASE("a damaged store: the registry part restores, the links before the damage come back, the store stays") {
        PlantedErrors planted;
        const Snapshot before(planted);
        REQUIRE(testproc::Run(kCli, "fix").exitCode == 0);
        const std::string store = StoreOf(OnlyBackup());
        std::string bytes = testreg::ReadFile(store);
        REQUIRE(bytes.size() > 8);
        bytes[bytes.size() - 5] ^= 0x55;  // the last byte of the last link, before its checksum
        testreg::WriteFile(store, bytes);

        // Changed since it was signed: restored only when asked for.
        CHECK(testproc::Run(kCli, "restore").exitCode == 2);
        CHECK_FALSE(testreg::FileExists(plain));
        auto restore = testproc::Run(kCli, "restore --unsigned \"" + OnlyBackup() + "\"");
        CHECK(restore.exitCode == 2);
        CHECK(restore.err.find("Registry Restored from Last Backup") != std::string::npos);
        CHECK(restore.err.find("does not match its checksum") != std::string::npos);
        CHECK(Snapshot(planted) == before);
        // The link stored first comes back whole; the damaged one does not come back at all.
        REQUIRE(testreg::FileExists(plain) != testreg::FileExists(readOnly));
        if (testreg::FileExists(plain)) CheckSameFile(plain, plainBefore);
        else CheckSameFile(readOnly, readOnlyBefore);
        CHECK(testreg::ReadFile(store) == bytes);
        CHECK(testjson::Parse(testproc::Run(kCli, "backups --json").out)["backups"][0]["links_damaged"].boolean);
    }

    SUBCASE("a store that cannot be written keeps every link; the registry part is saved and restores") {
        testreg::ScratchKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpLinkStoreTest");
        testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "kept", "by the backup");
        ErrorList records(1);
        records[0].SetKeyPath("HKEY_LOCAL_MACHINE\\" + key.Path());
        records[0].SetFixKind("KEY");
        // A folder where the store is written first, as a full disk would refuse it.
        const std::string blocked = Here() + "\\" + BackupTempName();
        const std::string blockedStore = blocked.substr(0, blocked.size() - 4) + ".links";
        CreateDirectoryA(blockedStore.c_str(), nullptr);
        const BackupResult backup = BackupErrorKeys(records, {"", plain, readOnly});
        RemoveDirectoryA(blockedStore.c_str());
        CHECK(backup.status == BackupResult::Status::Saved);
        CHECK(backup.recordsSaved == 1);
        CHECK(backup.linksSaved == 0);
        REQUIRE(backup.unsavedLinks.size() == 2);
        CHECK(backup.unsavedLinks[0].index == 1);
        CHECK(backup.unsavedLinks[1].index == 2);
        CHECK(backup.unsavedLinks[0].reason.find("could not write its copy") != std::string::npos);
        CHECK_FALSE(testreg::FileExists(StoreOf(backup.path)));

        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, key.Path());
        RecordingNotifier notifier;
        CHECK(RestoreLastBackup(notifier).Complete());
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, key.Path(), "kept"));
    }
}

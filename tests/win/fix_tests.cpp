// Removing planted errors of every category with the five fix passes, and the snapshot format
// that records what a fix removes.
#include "doctest.h"

#include "app/FixFlow.h"
#include "registry/RegistryLib.h"
#include "recording_notifier.h"
#include "test_drives.h"
#include "test_folder_acl.h"
#include "scan_test_support.h"
#include "test_registry.h"
#include "xml/XmlReader.h"
#include "xml/XmlWriter.h"
#include "planted_errors.h"

#include <functional>
#include <map>
#include <memory>

using testreg::Dump;
using testreg::DumpTree;
using testreg::ScratchKey;

namespace {

const std::string kM = "C:\\tidewarp-missing\\";
const char kSnapRoot[] = "Software\\TidewarpTests\\Snap";

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

void PlantSnapshotTree() {
    const HKEY m = HKEY_LOCAL_MACHINE;
    const std::string r = kSnapRoot;
    testreg::SetString(m, r, "", "default text");
    testreg::SetString(m, r, "plain", "C:\\Program Files\\App\\app.exe");
    testreg::SetString(m, r, "a&b\"c<d'e>f", "x&amp;y \"quoted\" <tag> it's a>b");
    testreg::SetString(m, r, "caf\xe9", "na\xefve \xa9 \xfc");
    testreg::SetString(m, r, "expand", "%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    testreg::SetBytes(m, r, "binary", REG_BINARY, {0, 1, 0x7f, 0x80, 0xff});
    testreg::SetBytes(m, r, "dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    testreg::SetBytes(m, r, "multi", REG_MULTI_SZ, Bytes(std::string("one\0two & three\0\0", 18)));
    testreg::SetBytes(m, r, "qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0x80});
    testreg::SetBytes(m, r, "reslist", REG_RESOURCE_LIST, {9, 8, 7});
    testreg::SetString(m, r, "ctl\x01\t\x1f", "tab\there\r\nlone\rlf\n\x1b[0m");
    testreg::SetString(m, r + "\\Sub1", "level", "1");
    testreg::SetString(m, r + "\\Sub1\\Sub2 & <more>", "level", "2");
    testreg::CreateKey(m, r + "\\Sub1\\Empty");
}

std::string SaveSnapshot(CRegistryLib& lib, const std::string& file, const std::string& path,
                         const RegValueEntry* entry = nullptr) {
    XmlWriter writer;
    writer.SetFileName(file);
    XmlElement("registry").WriteStart(writer, +1, true, true);
    CHECK(lib.SnapshotPath(writer, path, entry));
    XmlElement("registry").WriteEnd(writer, -1, true, true);
    CHECK(writer.Close());
    return testreg::ReadFile(file);
}

bool Restore(CRegistryLib& lib, const std::string& file) {
    XmlReader reader;
    return lib.RestoreFromXml(reader, file);
}

}  // namespace

TEST_CASE("a snapshot restores every key and value of a tree byte for byte") {
    RecordingNotifier notes;
    CRegistryLib lib;
    lib.SetNotifier(&notes);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    PlantSnapshotTree();
    std::vector<std::string> keysBefore;
    const Dump before = DumpTree(HKEY_LOCAL_MACHINE, kSnapRoot, &keysBefore);

    const std::string text = SaveSnapshot(lib, "snap.xml", std::string("HKEY_LOCAL_MACHINE\\") + kSnapRoot);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    REQUIRE_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kSnapRoot));

    CHECK(Restore(lib, "snap.xml"));
    std::vector<std::string> keysAfter;
    const Dump after = DumpTree(HKEY_LOCAL_MACHINE, kSnapRoot, &keysAfter);
    CHECK(keysAfter.size() == keysBefore.size());
    CHECK(after.size() == before.size());
    for (const auto& [name, value] : before) {
        CAPTURE(name);
        auto it = after.find(name);
        REQUIRE(it != after.end());
        CHECK(it->second.first == value.first);
        CHECK(it->second.second == value.second);
    }
    CHECK(notes.notices.empty());

    // The file: UTF-8, entities for the five characters that end or open markup, one tag a line.
    CHECK(text.find("caf\xc3\xa9") != std::string::npos);
    CHECK(text.find("a&amp;b&quot;c&lt;d&apos;e&gt;f") != std::string::npos);
    CHECK(text.find("x&amp;amp;y &quot;quoted&quot; &lt;tag&gt; it&apos;s a&gt;b") != std::string::npos);
    CHECK(text.find(" <registry>\r\n  <k name=\"HKEY_LOCAL_MACHINE\">\r\n") != std::string::npos);
    CHECK(text.find("type=\"REG_DWORD\"") != std::string::npos);
    CHECK(text.find("name=\"plain\" value=\"C:\\Program Files\\App\\app.exe\"/>") != std::string::npos);
    // Control characters are written as references: the file holds none but its line ends.
    CHECK(text.find("name=\"ctl&#x2401;&#9;&#x241F;\" value=\"tab&#9;here&#13;&#10;lone&#13;lf&#10;&#x241B;[0m\"") !=
          std::string::npos);
    std::size_t controls = 0, lineEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) controls += static_cast<unsigned char>(text[i]) < 0x20;
    for (std::size_t i = text.find("\r\n"); i != std::string::npos; i = text.find("\r\n", i + 2)) ++lineEnds;
    CHECK(controls == 2 * lineEnds);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    DeleteFileA("snap.xml");
}

TEST_CASE("types without their own text form come back as the format allows") {
    CRegistryLib lib;
    const std::string path = std::string(kSnapRoot) + "\\Types";
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    testreg::SetBytes(HKEY_LOCAL_MACHINE, path, "big", REG_DWORD_BIG_ENDIAN, {0x12, 0x34, 0x56, 0x78});
    testreg::SetBytes(HKEY_LOCAL_MACHINE, path, "none", REG_NONE, Bytes(std::string("abc\0", 4)));
    testreg::SetBytes(HKEY_LOCAL_MACHINE, path, "emptybin", REG_BINARY, {});
    testreg::SetBytes(HKEY_LOCAL_MACHINE, path, "open", REG_MULTI_SZ, Bytes(std::string("one\0two", 7)));
    testreg::SetString(HKEY_LOCAL_MACHINE, path + "\\OnlyDefault", "", "");
    const std::string text = SaveSnapshot(lib, "types.xml", "HKEY_LOCAL_MACHINE\\" + path);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    CHECK(Restore(lib, "types.xml"));

    const Dump after = DumpTree(HKEY_LOCAL_MACHINE, path);
    // big-endian: a little-endian REG_DWORD holding the same number
    CHECK(after.at("|big").first == REG_DWORD);
    CHECK(after.at("|big").second == std::vector<unsigned char>{0x78, 0x56, 0x34, 0x12});
    // REG_NONE: written without a type, back as REG_SZ
    CHECK(after.at("|none").first == REG_SZ);
    CHECK(after.at("|none").second == Bytes(std::string("abc\0", 4)));
    // an empty REG_BINARY comes back as one zero byte
    CHECK(after.at("|emptybin").second == std::vector<unsigned char>{0});
    // a multi-string without its final terminator keeps its last string and gains the terminators
    CHECK(after.at("|open").second == Bytes(std::string("one\0two\0\0", 9)));
    // a key holding only an empty default value: the key, without a value
    CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, path + "\\OnlyDefault"));
    CHECK(after.count("\\OnlyDefault|") == 0);
    CHECK(text.find("<k name=\"OnlyDefault\">") != std::string::npos);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    DeleteFileA("types.xml");
}

TEST_CASE("restoring opens existing keys, creates missing ones and reports what it cannot do") {
    RecordingNotifier notes;
    CRegistryLib lib;
    lib.SetNotifier(&notes);
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    testreg::SetString(HKEY_LOCAL_MACHINE, kSnapRoot, "keep", "me");

    SUBCASE("values land in existing keys beside what is there") {
        testreg::WriteFile("r.xml",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n <registry>\r\n"
                           "  <k name=\"HKEY_LOCAL_MACHINE\">\r\n   <k name=\"Software\">\r\n"
                           "    <k name=\"TidewarpTests\">\r\n     <k name=\"Snap\">\r\n"
                           "      <v name=\"(default)\" value=\"D\"/>\r\n"
                           "      <v name=\"n\" value=\"0x0000000a (10)\" type=\"REG_DWORD\"/>\r\n"
                           "      <k name=\"New\"/>\r\n     </k>\r\n    </k>\r\n   </k>\r\n  </k>\r\n </registry>\r\n");
        CHECK(Restore(lib, "r.xml"));
        const Dump d = DumpTree(HKEY_LOCAL_MACHINE, kSnapRoot);
        CHECK(d.at("|keep").second == Bytes(std::string("me\0", 3)));
        CHECK(d.at("|").second == Bytes(std::string("D\0", 2)));
        CHECK(d.at("|n").second == std::vector<unsigned char>{10, 0, 0, 0});
        CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, std::string(kSnapRoot) + "\\New"));
        CHECK(notes.notices.empty());
    }
    SUBCASE("a key that cannot be created stops the restore after its message") {
        const std::string tooLong(300, 'x');
        testreg::WriteFile("r.xml", "<registry>\r\n<k name=\"HKEY_LOCAL_MACHINE\">\r\n<k name=\"Software\">\r\n<k name=\"" +
                                        tooLong + "\">\r\n<v name=\"a\" value=\"1\"/>\r\n</k>\r\n</k>\r\n</k>\r\n"
                                        "<k name=\"HKEY_LOCAL_MACHINE\"><k name=\"Software\"><k name=\"TidewarpTests\">"
                                        "<v name=\"after\" value=\"1\"/></k></k></k>\r\n</registry>\r\n");
        CHECK_FALSE(Restore(lib, "r.xml"));
        REQUIRE(notes.notices.size() == 1);
        CHECK(notes.notices[0].text ==
              "couldn't create key HKEY_LOCAL_MACHINE\\Software\\" + tooLong + " (line 4)\nNothing was applied.");
        CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, "Software\\TidewarpTests", "after"));
    }
    SUBCASE("a syntax error stops the restore, keeps what came before and is not a success") {
        testreg::WriteFile("r.xml", "<registry>\r\n<k name=\"HKEY_LOCAL_MACHINE\"><k name=\"Software\">"
                                    "<k name=\"TidewarpTests\"><k name=\"Snap\"><v name=\"first\" value=\"1\"/>\r\n"
                                    "<v name=\"second\" value=\"2\"/>\r\n<v name=\"x\" <bad\r\n<v name=\"third\" value=\"3\"/>\r\n");
        CHECK_FALSE(Restore(lib, "r.xml"));
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, kSnapRoot, "second"));
        CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, kSnapRoot, "third"));
        REQUIRE(notes.notices.size() == 1);
        CHECK(notes.notices[0].text == "Parse error in line 4 : (Bad '<' symbol)\nThe restore stopped at line 4; "
                                       "what it applied before that line stays in the registry.");
    }
    SUBCASE("whatever is not a whole snapshot or cannot be set fails, says where, and keeps what came before") {
        const std::string head = "<registry>\r\n<k name=\"HKEY_LOCAL_MACHINE\"><k name=\"Software\">"
                                 "<k name=\"TidewarpTests\"><k name=\"Snap\">\r\n<v name=\"first\" value=\"1\"/>\r\n";
        const std::string tail = "</k></k></k></k>\r\n</registry>\r\n";
        const std::string v = "<v name=\"second\" value=\"2\"/>\r\n";
        const struct {
            std::string file, message;
            bool secondApplied;
        } cases[] = {
            {head + v, "the file ends in line 4 before </k>: the snapshot is cut short", true},
            {head + v + "</k></k></k></k>\r\n", "the file ends in line 5 before </registry>", true},
            {head + v + tail + "junk\r\n", "text where only elements belong (line 7)", true},
            {head + v + tail + "<registry>\r\n</registry>\r\n", "<registry> after the end of the snapshot (line 7)", true},
            {head + "</registry>\r\n" + v, "</registry> does not end <k> (line 4)", false},
            {head + "<k>" + v + "</k>" + tail, "a key without a name (line 4)", false},
            {head + "<x/>" + v + tail, "<x> does not belong in <k> of a registry snapshot (line 4)", false},
            {head + "<v name=\"n\" value=\"12x\" type=\"REG_DWORD\"/>\r\n" + v + tail,
             "couldn't set value n: \"12x\" is not REG_DWORD text (line 4)", false},
            {head + "<v name=\"b\" value=\"0g\" type=\"REG_BINARY\"/>\r\n" + v + tail,
             "couldn't set value b: \"0g\" is not REG_BINARY text (line 4)", false},
            {head + "<v name=\"only\"/>\r\n" + v + tail, "a value without its text (line 4)", false},
        };
        for (const auto& c : cases) {
            CAPTURE(c.file);
            notes.notices.clear();
            testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
            testreg::WriteFile("r.xml", c.file);
            CHECK_FALSE(Restore(lib, "r.xml"));
            REQUIRE(notes.notices.size() == 1);
            const std::string& text = notes.notices[0].text;
            CHECK(text.find(c.message) == 0);
            CHECK(text.find("what it applied before that line stays in the registry.") != std::string::npos);
            CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, kSnapRoot, "first"));
            CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, kSnapRoot, "second") == c.secondApplied);
        }
    }
    SUBCASE("an empty file, a folder, a device or another document is not a snapshot and changes nothing") {
        CreateDirectoryA("rdir", nullptr);
        testreg::WriteFile("empty.xml", "");
        testreg::WriteFile("other.xml", "<?xml version=\"1.0\"?>\r\n<other/>\r\n");
        const struct {
            const char* file;
            const char* message;
        } cases[] = {
            {"empty.xml", "empty.xml is empty (line 1): it is not a registry snapshot\nNothing was applied."},
            {"rdir", "rdir cannot be read as a file: a folder or a device is not a snapshot\nNothing was applied."},
            {"CON", "CON cannot be read as a file: a folder or a device is not a snapshot\nNothing was applied."},
            {"other.xml", "<other> does not belong at the top of a registry snapshot (line 2)\nNothing was applied."},
        };
        for (const auto& c : cases) {
            CAPTURE(c.file);
            notes.notices.clear();
            CHECK_FALSE(Restore(lib, c.file));
            REQUIRE(notes.notices.size() == 1);
            CHECK(notes.notices[0].text == c.message);
        }
        RemoveDirectoryA("rdir");
        DeleteFileA("empty.xml");
        DeleteFileA("other.xml");
    }
    SUBCASE("an unknown root gives no key and ends the restore") {
        testreg::WriteFile("r.xml", "<registry>\r\n<k name=\"HKEY_NOWHERE\">\r\n</k>\r\n</registry>\r\n");
        CHECK_FALSE(Restore(lib, "r.xml"));
    }
    testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kSnapRoot);
    DeleteFileA("r.xml");
}

namespace {

int g_windowsRefused = 0;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HCBT_CREATEWND) return CallNextHookEx(nullptr, code, wParam, lParam);
    ++g_windowsRefused;
    return 1;  // the window is not created, so a message box returns at once
}

}  // namespace

TEST_CASE("the engine opens no window unless its caller gives it a notifier that does") {
    testreg::WriteFile("r.xml", "<registry>\r\n<k name=\"HKEY_NOWHERE\">\r\n</k>\r\n</registry>\r\n");
    g_windowsRefused = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    REQUIRE(hook);
    CRegistryLib lib;
    CHECK_FALSE(Restore(lib, "r.xml"));
    UnhookWindowsHookEx(hook);
    CHECK(g_windowsRefused == 0);
    DeleteFileA("r.xml");
}

namespace {

// Scans everything and keeps only the planted errors (Wine's own stay untouched).
void ScanPlanted(CRegistryLib& lib, SummaryList& summaries) {
    ScanSelection all;
    for (int f : {1, 3, 4, 5, 6, 7, 8, 9, 11}) all.field[f] = 1;
    lib.ScanAll(summaries, all);
    ErrorList planted;
    for (const ErrorRecord& r : lib.Errors())
        if (r.Item().find("tidewarp-") != std::string::npos || r.Item().find("FIXTEST") != std::string::npos)
            planted.push_back(r);
    lib.Errors() = planted;
}

}  // namespace

TEST_CASE("a fix removes exactly what each record names and counts it in its own category") {
    PlantedErrors planted;
    CRegistryLib lib;
    lib.SetIs9x(false);
    SummaryList summaries;
    ScanPlanted(lib, summaries);
    REQUIRE(lib.Errors().size() == 10);
    std::map<std::string, int> byCategory;
    for (const ErrorRecord& r : lib.Errors()) ++byCategory[r.Category()];
    CHECK(byCategory == std::map<std::string, int>{{"CLSID", 1}, {"SharedFile", 1}, {"VxD", 1}, {"Help", 2},
                                                    {"APPPath", 1}, {"SharedTools", 1}, {"font", 1},
                                                    {"Startup", 1}, {"Uninstall", 1}, });
    // One more, with no key path: left alone.
    ErrorRecord skipped = lib.Errors()[0];
    skipped.SetKeyPath("");
    lib.Errors().push_back(skipped);

    scantest::g_calls.clear();
    lib.SetProgressCallback(&scantest::RecordCall);
    lib.FixAll(summaries, "FixedOnTest.xml");

    const HKEY m = HKEY_LOCAL_MACHINE;
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));  // with all its sub-keys
    CHECK_FALSE(testreg::KeyExists(m, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpFix.exe"));
    CHECK_FALSE(testreg::KeyExists(m, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpFix"));
    for (auto& [key, name] : planted.values) {
        CAPTURE(name);
        CHECK_FALSE(testreg::ValueExists(m, key, name));
    }
    // Value records remove their value only; the default value goes by its "(Default)" name.
    CHECK_FALSE(testreg::ValueExists(m, std::string(kWindows) + "\\Help", "fix.hlp"));
    CHECK_FALSE(testreg::ValueExists(m, std::string(kWindows) + "\\Help", ""));
    CHECK(testreg::ValueExists(m, std::string(kWindows) + "\\Help", "notepad.exe"));
    CHECK_FALSE(testreg::ValueExists(m, std::string(kUninstall) + "\\TidewarpFix", "UninstallString"));
    CHECK(testreg::ValueExists(m, std::string(kUninstall) + "\\TidewarpFix", "DisplayName"));

    // Each removal counts in its own category's summary, once, whichever pass made it.
    const std::map<std::string, int> fixedByTitle{
        {"Invalid CLSID", 1},        {"Corrupt Shared Files", 1},      {"Corrupt Drivers", 1},
        {"Corrupt Help Files", 2},   {"Invalid Application Paths", 1}, {"Invalid Shared Tools", 1},
        {"Corrupt Fonts", 1},        {"Invalid Startup Entries", 1},   {"Invalid Uninstall Entries", 1}};
    REQUIRE(summaries.size() == 9);
    for (const CategorySummary& s : summaries) {
        CAPTURE(s.title);
        CHECK(s.fixed == fixedByTitle.at(s.title));
    }
    CHECK_FALSE(testreg::FileExists("FixedOnTest.xml"));  // the snapshot goes at the end

    // Progress: root, line feed, sub-key path (and value name); the help pass joins with backslashes.
    bool sawKey = false, sawHelpValue = false;
    for (const auto& c : scantest::g_calls) {
        if (c.status == "Fixing CLSID " && c.item == "HKEY_CLASSES_ROOT\n" + planted.clsid) sawKey = true;
        if (c.status == "Fixing Help Files " && c.item == "HKEY_LOCAL_MACHINE\\" + std::string(kWindows) + "\\help\\fix.hlp")
            sawHelpValue = true;
    }
    CHECK(sawKey);
    CHECK(sawHelpValue);
}

TEST_CASE("a removal refused with access denied lowers its category's count by one") {
    // On an NT system a single RegDeleteKey of a key with sub-keys is refused with access denied,
    // which is what the 9x way of deleting meets here.
    PlantedErrors planted;
    CRegistryLib lib;
    SummaryList summaries;
    ScanPlanted(lib, summaries);
    ErrorList onlyClass;
    for (const ErrorRecord& r : lib.Errors())
        if (r.Category() == "CLSID") onlyClass.push_back(r);
    lib.Errors() = onlyClass;
    lib.SetIs9x(true);
    lib.FixAll(summaries, "FixedOnTest.xml");
    CHECK(summaries[0].title == "Invalid CLSID");
    CHECK(summaries[0].fixed == -1);
    CHECK(testreg::KeyExists(HKEY_CLASSES_ROOT, planted.clsid));
}

TEST_CASE("each entry is tested again just before it is removed") {
    CleanFolder clean;
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string back = "C:\\tidewarp-back\\";
    testlink::RemoveTree(back);
    CreateDirectoryA(back.c_str(), nullptr);
    // A fixed drive while the scan runs, gone when the fix comes.
    const std::string unplugged = std::string(1, testdrive::UnusedLetter()) + ":\\app.exe";
    auto usb = std::make_unique<testdrive::MappedDrive>(unplugged[0], DRIVE_FIXED, Here() + "\\q");
    REQUIRE(usb->Ok());
    const HKEY m = HKEY_LOCAL_MACHINE;
    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    testreg::PlantedValues values;
    values.String(run, "TidewarpBack", back + "run.exe");
    values.String(run, "TidewarpGone", back + "gone.exe");
    values.String(run, "TidewarpUnplugged", unplugged);
    // Two entries of one application key: removing the key for one would take the other with it.
    ScratchKey app(m, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpBack.exe");
    testreg::SetString(m, app.Path(), "", back + "a.exe");
    testreg::SetString(m, app.Path(), "Other", back + "b.exe");
    const std::string links = Here() + "\\links";
    testreg::MakeFolders(links + "\\in");
    testlink::MakeLink(links + "\\in\\back.lnk", links + "\\back.txt");
    testlink::MakeLink(links + "\\in\\gone.lnk", links + "\\gone.txt");

    CRegistryLib lib;
    CShortcut shortcuts;
    SummaryList summaries;
    ScanSelection selection;
    selection.field[ScanSelection::kAppPaths] = selection.field[ScanSelection::kStartup] = 1;
    lib.ScanAll(summaries, selection);
    ErrorList ours;
    for (const ErrorRecord& r : lib.Errors())
        if (r.Item().find("tidewarp-back") != std::string::npos || r.Item() == unplugged) ours.push_back(r);
    lib.Errors() = ours;
    REQUIRE(lib.Errors().size() == 5);
    shortcuts.RecurseFolder(links);
    REQUIRE(shortcuts.Count() == 2);

    // Between scan and fix: two files come back, the disk goes.
    testlink::Touch(back + "run.exe");
    testlink::Touch(back + "b.exe");
    testlink::Touch(links + "\\back.txt");
    usb.reset();

    const FixResult result =
        FixFlow(lib, &shortcuts).Fix(FixRequest::AllChecked(lib.Errors().size(), shortcuts.Count()), summaries);
    REQUIRE(result.status == FixResult::Done);
    using Reason = CRegistryLib::LeftReason;
    std::map<std::string, Reason> left;
    for (const CRegistryLib::LeftRecord& l : result.leftByRetest) left[lib.Errors()[l.row].Item()] = l.reason;
    CHECK(left == std::map<std::string, Reason>{{back + "run.exe", Reason::FileExistsNow},
                                                 {back + "b.exe", Reason::FileExistsNow},
                                                 {back + "a.exe", Reason::KeyHoldsExistingFile},
                                                 {unplugged, Reason::FileCannotBeChecked}});
    CHECK(result.errorsRemoved == 1);
    CHECK_FALSE(testreg::ValueExists(m, run, "TidewarpGone"));  // still missing: removed
    CHECK(testreg::ValueExists(m, run, "TidewarpBack"));
    CHECK(testreg::ValueExists(m, run, "TidewarpUnplugged"));
    CHECK(testreg::ValueExists(m, app.Path(), ""));
    CHECK(testreg::ValueExists(m, app.Path(), "Other"));

    REQUIRE(result.linksLeftByRetest.size() == 1);
    CHECK(shortcuts.Path(result.linksLeftByRetest[0].index) == links + "\\in\\back.lnk");
    CHECK(result.linksLeftByRetest[0].state == FileState::Present);
    CHECK(testreg::FileExists(links + "\\in\\back.lnk"));
    CHECK_FALSE(testreg::FileExists(links + "\\in\\gone.lnk"));
    testlink::RemoveTree(back);
}

TEST_CASE("as administrator in a folder others may change, the fix flow refuses before it touches anything") {
    CleanFolder clean;
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    testreg::PlantedValues values;
    values.String(run, "TidewarpTrustA", "C:\\tidewarp-missing\\a.exe");
    values.String(run, "TidewarpTrustB", "C:\\tidewarp-missing\\b.exe");
    CRegistryLib lib;
    SummaryList summaries;
    ScanSelection selection;
    selection.field[ScanSelection::kStartup] = 1;
    lib.ScanAll(summaries, selection);
    REQUIRE(lib.Errors().size() == 2);

    testacl::OpenToEveryone open(Here());  // Wine: every process is an administrator
    const FixResult result = FixFlow(lib).Fix({{true, false}, {}}, summaries);
    CHECK(result.status == FixResult::Refused);
    CHECK(result.message.find(Here() + " (Everyone)") != std::string::npos);
    CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, run, "TidewarpTrustA"));
    CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);  // the unticked row did not go there
    CHECK(BackupCount() == 0);
}

TEST_CASE("a shortcut written over after the backup copied it is not deleted") {
    CleanFolder clean;
    const std::string links = Here() + "\\relinks";
    testlink::RemoveTree(links);
    testreg::MakeFolders(links + "\\in");
    testlink::MakeLink(links + "\\in\\edited.lnk", links + "\\gone1.txt");
    testlink::MakeLink(links + "\\in\\same.lnk", links + "\\gone2.txt");
    CRegistryLib lib;
    CShortcut shortcuts;
    shortcuts.RecurseFolder(links);
    REQUIRE(shortcuts.Count() == 2);

    // Someone saves the shortcut anew between the backup and the deletion: what the backup holds
    // is no longer what would be deleted.
    class EditAfterBackup : public FixObserver {
    public:
        explicit EditAfterBackup(std::string path) : path_(std::move(path)) {}
        void OnRemovalStarted() override { testlink::MakeLink(path_, "C:\\windows\\notepad.exe"); }

    private:
        std::string path_;
    } edit(links + "\\in\\edited.lnk");
    SummaryList summaries;
    const FixResult result = FixFlow(lib, &shortcuts).Fix(FixRequest::AllChecked(0, 2), summaries, &edit);
    REQUIRE(result.status == FixResult::Done);
    CHECK_FALSE(result.backupPath.empty());
    REQUIRE(result.linksLeftByRetest.size() == 1);
    CHECK(result.linksLeftByRetest[0].changed);
    CHECK(shortcuts.Path(result.linksLeftByRetest[0].index) == links + "\\in\\edited.lnk");
    CHECK(testreg::FileExists(links + "\\in\\edited.lnk"));
    CHECK_FALSE(testreg::FileExists(links + "\\in\\same.lnk"));  // unchanged: its copy is good
    CHECK(shortcuts.DeletedCount() == 1);
    testlink::RemoveTree(links);
}

TEST_CASE("the removal tells each entry's turn after the backup; its line counts every entry gone") {
    CleanFolder clean;
    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    auto name = [](int i) { return "TidewarpProgress" + std::to_string(i); };
    testreg::PlantedValues values;
    for (int i = 0; i < 8; ++i) values.String(run, name(i), "C:\\tidewarp-missing\\p" + std::to_string(i) + ".exe");
    CRegistryLib lib;
    SummaryList summaries;

    SUBCASE("the observer hears of the backup, then of every entry as it goes, one unticked row kept") {
        ScanSelection selection;
        selection.field[ScanSelection::kStartup] = 1;
        lib.ScanAll(summaries, selection);
        REQUIRE(lib.Errors().size() == 8);
        auto present = [&] {
            int n = 0;
            for (int i = 0; i < 8; ++i) n += testreg::ValueExists(HKEY_LOCAL_MACHINE, run, name(i)) ? 1 : 0;
            return n;
        };
        struct Recorder : FixObserver {
            std::function<int()> present;
            std::vector<std::string> events;
            void OnBackupStarted() override { Add("backup", BackupCount()); }
            void OnRemovalStarted() override { Add("removal", BackupCount()); }
            void OnRemovalProgress(std::size_t done, std::size_t total) override {
                Add(std::to_string(done) + "/" + std::to_string(total), present());
            }
            void Add(const std::string& what, int n) { events.push_back(what + " " + std::to_string(n)); }
        } recorder;
        recorder.present = present;
        FixRequest request = FixRequest::AllChecked(8, 0);
        request.registryChecked[3] = false;
        const FixResult result = FixFlow(lib).Fix(request, summaries, &recorder);
        REQUIRE(result.status == FixResult::Done);
        // Nothing backed up before the backup starts, nothing removed before the removal; then
        // each report comes once its entry is gone.
        std::vector<std::string> expected{"backup 0", "removal 1"};
        for (int done = 0; done <= 7; ++done) expected.push_back(std::to_string(done) + "/7 " + std::to_string(8 - done));
        CHECK(recorder.events == expected);
        CHECK(present() == 1);

        const std::string file = result.backupPath.substr(result.backupPath.rfind('\\') + 1);
        CHECK(file.size() > 4);
        CHECK(file.substr(file.size() - 4) == ".reg");
        CHECK(result.ResultLine() == "Removed 7 entries. Backup: " + file + " 1 kept in place.");
        FixResult none;
        none.status = FixResult::Done;
        CHECK(none.ResultLine() == "Removed 0 entries.");
        none.status = FixResult::BackupFailed;
        CHECK(none.ResultLine().empty());
    }
    SUBCASE("a value of a key removed before it, and a key listed twice, count as gone") {
        const std::string key = "Software\\TidewarpTests\\GoneTwice";
        testreg::SetString(HKEY_LOCAL_MACHINE, key, "v", "C:\\tidewarp-missing\\v.exe");
        ErrorRecord whole;
        whole.SetCategory("CLSID");
        whole.SetKeyPath("HKEY_LOCAL_MACHINE\\" + key);
        whole.SetFixKind("KEY");
        ErrorRecord value = whole;
        value.SetFixKind("VALUE");
        value.SetValue(RegValueEntry{"v", "C:\\tidewarp-missing\\v.exe", REG_SZ});
        ErrorRecord untouched = whole;
        untouched.SetKeyPath("");  // unticked: neither gone nor counted
        lib.Errors() = {};
        lib.Errors().push_back(whole);
        lib.Errors().push_back(value);
        lib.Errors().push_back(whole);
        lib.Errors().push_back(untouched);
        lib.FixAll(summaries, "FixedOnTest.xml");
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, key));
        CHECK(lib.GoneAtFix() == 3);
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, key);
    }
}

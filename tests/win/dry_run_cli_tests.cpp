// fix --dry-run against the fix that follows it, and the one-line summaries.
#include "doctest.h"

#include "planted_errors.h"
#include "test_json.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <map>
#include <set>

namespace {

const char kCli[] = "tidewarp-cli.exe";
const std::string kMissing = "C:\\tidewarp-missing\\";
const char kAppKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpDry.exe";
const char kTwiceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpTwice.exe";

// Every key the planted errors live in, whole, with the test's own App Paths key.
std::vector<testreg::Dump> RegistryNow(const PlantedErrors& p) {
    std::vector<testreg::Dump> dumps{testreg::DumpTree(HKEY_CLASSES_ROOT, p.clsid),
                                     testreg::DumpTree(HKEY_LOCAL_MACHINE, kAppKey),
                                     testreg::DumpTree(HKEY_LOCAL_MACHINE, kTwiceKey)};
    for (const auto& key : p.keys) dumps.push_back(testreg::DumpTree(key->Root(), key->Path()));
    for (const auto& value : p.values) dumps.push_back(testreg::DumpTree(HKEY_LOCAL_MACHINE, value.first));
    return dumps;
}

// "Tidewarp 0.9.0", as the one-line summaries begin.
std::string Version() {
    std::string v = testproc::Run(kCli, "--version").out;  // "tidewarp-cli 0.9.0"
    return "Tidewarp " + v.substr(v.find(' ') + 1, v.find_first_of("\r\n") - v.find(' ') - 1);
}

bool AnyFile(const char* pattern) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

// (row, item, reason) of each row left in place.
std::set<std::string> LeftRows(const testjson::Value& json) {
    std::set<std::string> rows;
    for (const auto& l : json["left_in_place"].items)
        rows.insert(std::to_string(l["row"].Int()) + "|" + l["item"].text + "|" + l["reason"].text);
    return rows;
}

std::vector<std::string> Summaries(const testjson::Value& json) {
    std::vector<std::string> list;
    for (const auto& s : json["summaries"].items)
        list.push_back(s["title"].text + " " + std::to_string(s["found"].Int()) + " " + std::to_string(s["fixed"].Int()));
    return list;
}

}  // namespace

TEST_CASE("fix --dry-run writes nothing and tells the rows the fix that follows it removes and leaves") {
    CleanFolder folder;
    PlantedErrors planted;
    testreg::ScratchKey app(HKEY_LOCAL_MACHINE, kAppKey);
    testreg::SetString(HKEY_LOCAL_MACHINE, kAppKey, "", kMissing + "dry-a.exe");     // kept: its key stays
    testreg::SetString(HKEY_LOCAL_MACHINE, kAppKey, "Path", kMissing + "dry-b.exe");  // left in place with it
    testreg::ScratchKey twice(HKEY_LOCAL_MACHINE, kTwiceKey);  // two rows: the second goes with the first
    testreg::SetString(HKEY_LOCAL_MACHINE, kTwiceKey, "", kMissing + "twice-a.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, kTwiceKey, "Path", kMissing + "twice-b.exe");
    testreg::WriteFile("ignore.lst", kWineFonts);
    const std::string links = Here() + "\\links";
    CreateDirectoryA(links.c_str(), nullptr);
    testlink::MakeLink(links + "\\gone.lnk", links + "\\gone.txt");
    testlink::MakeLink(links + "\\kept.lnk", links + "\\also-gone.txt");
    const std::string options = " --keep " + kMissing + "dry-a.exe --keep \"" + links + "\\kept.lnk\"";
    const std::vector<testreg::Dump> before = RegistryNow(planted);

    auto dry = testproc::Run(kCli, "fix --dry-run --json" + options);
    CHECK(dry.exitCode == 1);  // as a scan's: errors found
    auto plan = testjson::Parse(dry.out);
    CHECK(plan["dry_run"].boolean);
    auto text = testproc::Run(kCli, "fix --dry-run" + options);
    CHECK(text.exitCode == 1);
    CHECK(text.out.find("Dry run: fix would do this; nothing was changed.") == 0);
    CHECK(text.out.find("remove the whole key HKEY_CLASSES_ROOT\\" + planted.clsid) != std::string::npos);
    auto line = testproc::Run(kCli, "fix --dry-run --summary" + options);
    CHECK(line.exitCode == 1);

    SUBCASE("nothing is written: registry, links, ignore list, backups, snapshot") {
        CHECK(RegistryNow(planted) == before);
        CHECK(testreg::FileExists(links + "\\gone.lnk"));
        CHECK(testreg::FileExists(links + "\\kept.lnk"));
        CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);
        CHECK_FALSE(testreg::FileExists(Here() + "\\Registry Backups"));
        CHECK_FALSE(AnyFile("FixedOn*.xml"));
    }

    SUBCASE("the fix that follows does what the dry run said, row for row") {
        auto fix = testproc::Run(kCli, "fix --json" + options);
        CHECK(fix.exitCode == 1);  // dry-b.exe stays
        auto done = testjson::Parse(fix.out);
        CHECK(done["errors"].size() == plan["errors"].size());
        CHECK(LeftRows(done) == LeftRows(plan));
        CHECK(LeftRows(plan).size() == 1);  // dry-b.exe: its key holds the kept row
        CHECK(Summaries(done) == Summaries(plan));
        CHECK(done["shortcut_counts"]["deleted"].Int() == plan["shortcut_counts"]["deleted"].Int());

        // Each row's action against what the fix left in the registry and on disk.
        REQUIRE(plan["actions"].size() == plan["errors"].size() + plan["shortcuts"].size());
        std::map<std::string, int> count;
        for (std::size_t row = 0; row < plan["actions"].size(); ++row) {
            const auto& a = plan["actions"][row];
            CAPTURE(a["item"].text);
            CHECK(a["row"].Int() == static_cast<long long>(row));
            ++count[a["action"].text];
            if (a["category"].text == "SHORTCUT") {
                CHECK(testreg::FileExists(a["item"].text) == (a["action"].text != "delete_link"));
                continue;
            }
            std::string path = a["key"].text;
            const HKEY root = path.rfind("HKEY_CLASSES_ROOT\\", 0) == 0 ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
            path = path.substr(path.find('\\') + 1);
            if (a["action"].text == "remove_key") CHECK_FALSE(testreg::KeyExists(root, path));
            if (a["action"].text == "remove_value") {
                CHECK_FALSE(testreg::ValueExists(root, path, a["value_name"].text == "(Default)" ? "" : a["value_name"].text));
            }
            if (a["action"].text == "keep" || a["action"].text == "leave") CHECK(testreg::KeyExists(root, path));
        }
        CHECK(count["keep"] == 2);
        CHECK(count["leave"] == 1);
        CHECK(count["delete_link"] == 1);
        CHECK(count["gone"] == 1);  // the second row of the key listed twice
        int fixed = 0;
        for (const auto& s : done["summaries"].items) fixed += static_cast<int>(s["fixed"].Int());
        CHECK(count["remove_key"] + count["remove_value"] == fixed);
        const std::string total = std::to_string(plan["errors"].size() + plan["shortcuts"].size());
        CHECK(line.out.rfind(Version() + ": " + total + " found (Invalid CLSID 1, ", 0) == 0);
        CHECK(line.out.find(", Broken Shortcuts 2); " + std::to_string(fixed + 1) +
                            " would be removed, nothing changed (dry run)\r\n") != std::string::npos);
        CHECK(line.out.find('\n') == line.out.size() - 1);
    }
}

TEST_CASE("a dry run tells when the fix would fail for certain, and still writes nothing") {
    CleanFolder folder;
    PlantedErrors planted;
    testreg::WriteFile("ignore.lst", kWineFonts);
    testreg::WriteFile("Registry Backups", "a file where the folder should be");
    const std::vector<testreg::Dump> before = RegistryNow(planted);
    auto dry = testproc::Run(kCli, "fix --dry-run --keep C:\\tidewarp-missing\\fix-run.exe");
    CHECK(dry.exitCode == 2);
    CHECK(dry.out.empty());
    CHECK(dry.err.find("Registry Backups is a file, not a folder") != std::string::npos);
    CHECK(dry.err.find("Nothing would be removed.") != std::string::npos);
    CHECK(RegistryNow(planted) == before);
    CHECK(testreg::ReadFile("ignore.lst") == kWineFonts);
    CHECK(testreg::ReadFile("Registry Backups") == "a file where the folder should be");
}

TEST_CASE("--summary prints one line for scan and fix, with their usual exit codes") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", kWineFonts);
    auto clean = testproc::Run(kCli, "scan --categories font --summary");
    CHECK(clean.exitCode == 0);
    CHECK(clean.out == Version() + ": 0 found; 0 removed\r\n");
    CHECK(testproc::Run(kCli, "scan --summary --json").exitCode == 2);

    testreg::PlantedValues planted;
    planted.String("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Tidewarp Line (TrueType)",
                   "tidewarp-line.ttf");
    auto found = testproc::Run(kCli, "scan --categories font --summary");
    CHECK(found.exitCode == 1);
    CHECK(found.out == Version() + ": 1 found (Corrupt Fonts 1); 0 removed\r\n");
    auto fix = testproc::Run(kCli, "fix --categories font --summary");
    CHECK(fix.exitCode == 0);
    CHECK(fix.out == Version() + ": 1 found (Corrupt Fonts 1); 1 removed\r\n");
}

// tidewarp-cli as a script sees it: exit codes, JSON and the ignore list commands.
#include "doctest.h"

#include "test_json.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

namespace {

const char kCli[] = "tidewarp-cli.exe";
const char kBrokenClass[] = "CLSID\\{7D1DE0FF-0000-4000-8000-000000CLITEST}";

struct BrokenClass {
    testreg::ScratchKey key{HKEY_CLASSES_ROOT, kBrokenClass};
    BrokenClass() {
        testreg::SetString(HKEY_CLASSES_ROOT, std::string(kBrokenClass) + "\\InprocServer32", "",
                           "\"C:\\tidewarp-missing\\caf\xe9.dll\" /x");
    }
};

}  // namespace

TEST_CASE("usage errors exit with 2 and say why on stderr") {
    auto help = testproc::Run(kCli, "--help");
    CHECK(help.exitCode == 0);
    CHECK(help.out.find("scan [--categories LIST] [--json]") != std::string::npos);
    CHECK(help.out.find("ignore remove INDEX") != std::string::npos);

    struct {
        const char* args;
        const char* message;
    } cases[] = {{"", "no command"},
                 {"frobnicate", "unknown command"},
                 {"scan --categories CLSID,Bogus", "unknown category \"Bogus\""},
                 {"scan --categories", "needs a list"},
                 {"scan --fast", "unknown option"},
                 {"ignore remove x", "not a row number"},
                 {"ignore", "'list' or 'remove'"}};
    for (const auto& c : cases) {
        CAPTURE(c.args);
        auto r = testproc::Run(kCli, c.args);
        CHECK(r.exitCode == 2);
        CHECK(r.out.empty());
        CHECK(r.err.find(c.message) != std::string::npos);
    }
}

TEST_CASE("scan --json lists each error with its record fields and the summaries") {
    DeleteFileA("ignore.lst");
    SUBCASE("nothing broken: exit 0") {
        auto r = testproc::Run(kCli, "scan --categories clsid --json");
        CHECK(r.exitCode == 0);
        auto json = testjson::Parse(r.out);
        CHECK(json["errors"].size() == 0);
        REQUIRE(json["summaries"].size() == 1);
        CHECK(json["summaries"][0]["title"].text == "Invalid CLSID");
        CHECK(json["summaries"][0]["examined"].Int() > 100);
        CHECK(json["shortcuts"].size() == 0);
        CHECK(json["shortcut_counts"]["broken"].Int() == 0);
    }
    SUBCASE("a broken class: exit 1 and the record") {
        BrokenClass broken;
        auto r = testproc::Run(kCli, "scan --categories CLSID --json");
        CHECK(r.exitCode == 1);
        auto json = testjson::Parse(r.out);
        REQUIRE(json["errors"].size() == 1);
        const auto& e = json["errors"][0];
        CHECK(e["category"].text == "CLSID");
        CHECK(e["key"].text == "HKEY_CLASSES_ROOT\\" + std::string(kBrokenClass));
        CHECK(e["fix"].text == "KEY");
        CHECK(e["item"].text == "C:\\tidewarp-missing\\caf\xc3\xa9.dll ");  // UTF-8 in the output
        CHECK(e["value"]["name"].text == "(Default)");
        CHECK(e["value"]["text"].text == "\"C:\\tidewarp-missing\\caf\xc3\xa9.dll\" /x");
        CHECK(e["value"]["type"].Int() == 1);
        CHECK(json["summaries"][0]["found"].Int() == 1);

        auto text = testproc::Run(kCli, "scan --categories CLSID");
        CHECK(text.exitCode == 1);
        CHECK(text.out.find("[CLSID] C:\\tidewarp-missing\\caf\xe9.dll") != std::string::npos);
        CHECK(text.out.find("Invalid CLSID") != std::string::npos);

        // Ignored items are not reported again.
        testreg::WriteFile("ignore.lst", "C:\\tidewarp-missing\\caf\xe9.dll \r\nCLSID\r\n");
        auto quiet = testproc::Run(kCli, "scan --categories CLSID --json");
        CHECK(quiet.exitCode == 0);
        DeleteFileA("ignore.lst");
    }
}

TEST_CASE("a scan with no category list runs every registry category in order") {
    DeleteFileA("ignore.lst");
    auto r = testproc::Run(kCli, "scan --json");
    auto json = testjson::Parse(r.out);
    const char* titles[] = {"Invalid CLSID",           "Corrupt Shared Files",      "Corrupt Drivers",
                            "Corrupt Help Files",      "Invalid Application Paths", "Invalid Shared Tools",
                            "Corrupt Fonts",           "Invalid Startup Entries",   "Invalid Uninstall Entries"};
    REQUIRE(json["summaries"].size() == 9);
    for (int i = 0; i < 9; ++i) CHECK(json["summaries"][i]["title"].text == titles[i]);
    CHECK(r.exitCode == (json["errors"].size() ? 1 : 0));
}

TEST_CASE("ignore list and ignore remove work on ignore.lst in the current directory") {
    testreg::WriteFile("ignore.lst", "C:\\a.dll\r\nCLSID\r\nC:\\b.lnk\r\nSHORTCUT\r\nC:\\c.hlp\r\nHelp\r\n");
    auto list = testproc::Run(kCli, "ignore list --json");
    CHECK(list.exitCode == 0);
    auto json = testjson::Parse(list.out);
    REQUIRE(json["ignored"].size() == 3);
    CHECK(json["ignored"][1]["index"].Int() == 1);
    CHECK(json["ignored"][1]["item"].text == "C:\\b.lnk");
    CHECK(json["ignored"][1]["category"].text == "SHORTCUT");

    auto bad = testproc::Run(kCli, "ignore remove 0 3");
    CHECK(bad.exitCode == 2);
    CHECK(bad.err.find("no row 3") != std::string::npos);
    CHECK(testreg::ReadFile("ignore.lst").size() == 53);  // untouched

    auto ok = testproc::Run(kCli, "ignore remove 2 0 2");
    CHECK(ok.exitCode == 0);
    CHECK(testreg::ReadFile("ignore.lst") == "C:\\b.lnk\r\nSHORTCUT\r\n");
    auto text = testproc::Run(kCli, "ignore list");
    CHECK(text.out == "0\t[SHORTCUT] C:\\b.lnk\r\n");  // a console program's text ends lines with CR LF
    DeleteFileA("ignore.lst");
    CHECK(testproc::Run(kCli, "ignore list").out == "The ignore list is empty.\r\n");
}

TEST_CASE("scan --categories SHORTCUT lists broken shortcuts and their counts") {
    DeleteFileA("ignore.lst");
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    const std::string folder = std::string(here) + "\\links-caf\xe9";
    testlink::RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    testlink::Touch(folder + "\\target.txt");
    testlink::MakeLink(folder + "\\sound.lnk", folder + "\\target.txt");
    testlink::MakeLink(folder + "\\broken.lnk", folder + "\\gone.txt");

    auto r = testproc::Run(kCli, "scan --categories SHORTCUT --json");
    CHECK(r.exitCode == 1);
    auto json = testjson::Parse(r.out);
    CHECK(json["errors"].size() == 0);
    CHECK(json["summaries"].size() == 0);
    std::vector<std::string> ours;
    for (const auto& s : json["shortcuts"].items)
        if (s.text.find("links-caf") != std::string::npos) ours.push_back(s.text);
    CHECK(ours == std::vector<std::string>{std::string(here) + "\\links-caf\xc3\xa9\\broken.lnk"});  // UTF-8
    CHECK(json["shortcut_counts"]["broken"].Int() == static_cast<long long>(json["shortcuts"].size()));
    CHECK(json["shortcut_counts"]["examined"].Int() >= 2);
    CHECK(json["shortcut_counts"]["deleted"].Int() == 0);

    auto text = testproc::Run(kCli, "scan --categories shortcut");
    CHECK(text.exitCode == 1);
    CHECK(text.out.find("Broken shortcuts: ") != std::string::npos);
    CHECK(text.out.find("  " + folder + "\\broken.lnk\r\n") != std::string::npos);
    CHECK(testreg::FileExists(folder + "\\broken.lnk"));  // a scan removes nothing

    testlink::RemoveTree(folder);
}

TEST_CASE("a folder link back up the tree: the console scan reports each broken shortcut once") {
    DeleteFileA("ignore.lst");
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    const std::string folder = std::string(here) + "\\loop";
    if (GetFileAttributesA((folder + "\\x\\y\\up").c_str()) != INVALID_FILE_ATTRIBUTES)
        testunix::RemoveLink(folder + "\\x\\y\\up");  // left by a run that died
    testlink::RemoveTree(folder);
    testreg::MakeFolders(folder + "\\x\\y");
    testlink::MakeLink(folder + "\\x\\y\\broken1.lnk", folder + "\\gone1.txt");
    testlink::MakeLink(folder + "\\x\\y\\broken2.lnk", folder + "\\gone2.txt");
    testunix::MakeFolderLink(folder + "\\x\\y\\up", folder + "\\x");  // x\y\up\y\up\... without end

    auto r = testproc::Run(kCli, "scan --categories SHORTCUT --json");
    CHECK(r.exitCode == 1);
    const auto json = testjson::Parse(r.out);
    std::vector<std::string> ours;
    for (const auto& s : json["shortcuts"].items)
        if (s.text.find("\\loop\\") != std::string::npos) ours.push_back(s.text);
    CHECK(ours == std::vector<std::string>{folder + "\\x\\y\\broken1.lnk", folder + "\\x\\y\\broken2.lnk"});

    testunix::RemoveLink(folder + "\\x\\y\\up");  // before the tree: removing it by name reaches x
    testlink::RemoveTree(folder);
}

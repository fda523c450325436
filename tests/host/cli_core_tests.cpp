#include "doctest.h"

#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/Report.h"
#include "test_json.h"

TEST_CASE("categories select their fields in any letter case; no list selects everything") {
    CliOptions o;
    std::string error;
    REQUIRE(ParseCommandLine({"scan", "--categories", "clsid,FONT,shortcut", "--json"}, o, error));
    CHECK(o.json);
    CHECK(o.selection.field[ScanSelection::kClassRegistrations] == 1);
    CHECK(o.selection.field[ScanSelection::kFonts] == 1);
    CHECK(o.selection.field[ScanSelection::kShortcuts] == 1);
    CHECK(o.selection.field[ScanSelection::kDrivers] == 0);

    REQUIRE(ParseCommandLine({"scan"}, o, error));
    int selected = 0;
    for (int f : o.selection.field) selected += f;
    CHECK(selected == 10);
    CHECK(o.selection.field[0] == 0);
    CHECK(o.selection.field[2] == 0);

    REQUIRE(ParseCommandLine({"scan", "--categories=VxD"}, o, error));
    CHECK(o.selection.field[ScanSelection::kDrivers] == 1);
}

TEST_CASE("bad command lines are refused with a reason") {
    CliOptions o;
    std::string error;
    CHECK_FALSE(ParseCommandLine({"scan", "--categories", "CLSID,"}, o, error));
    CHECK(error.find("unknown category") != std::string::npos);
    CHECK_FALSE(ParseCommandLine({"ignore", "remove"}, o, error));
    CHECK_FALSE(ParseCommandLine({"ignore", "remove", "-1"}, o, error));
    CHECK_FALSE(ParseCommandLine({"ignore", "remove", "99999999999"}, o, error));
    CHECK_FALSE(ParseCommandLine({"ignore", "list", "--verbose"}, o, error));
    REQUIRE(ParseCommandLine({"ignore", "remove", "3", "0"}, o, error));
    CHECK(o.indices == std::vector<std::size_t>{3, 0});
}

TEST_CASE("JSON output escapes and converts the code page to UTF-8") {
    ErrorList errors(1);
    errors[0].SetCategory("Help");
    errors[0].SetKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\help");
    errors[0].SetValue(RegValueEntry{"a\"b.hlp", "C:\\Caf\xe9\\\t\x01", 1});
    errors[0].SetFixKind("VAL");
    errors[0].SetItem("C:\\Caf\xe9\\a\"b.hlp");
    ErrorList shortcutOnly(1);
    SummaryList summaries{{"Corrupt Help Files", 12, 1, 0}};
    ShortcutReport shortcuts;
    shortcuts.broken = {"C:\\x.lnk"};
    shortcuts.examined = 4;

    std::string text = ScanReportJson(errors, summaries, shortcuts, {});
    auto json = testjson::Parse(text);
    CHECK(json["errors"][0]["value"]["name"].text == "a\"b.hlp");
    CHECK(json["errors"][0]["value"]["text"].text == "C:\\Caf\xc3\xa9\\\t\x01");
    CHECK(json["errors"][0]["item"].text == "C:\\Caf\xc3\xa9\\a\"b.hlp");
    CHECK(json["shortcuts"][0].text == "C:\\x.lnk");
    CHECK(json["shortcut_counts"]["examined"].Int() == 4);
    CHECK(json["shortcut_counts"]["broken"].Int() == 1);
    CHECK(json["summaries"][0]["examined"].Int() == 12);

    auto nullValue = testjson::Parse(ScanReportJson(shortcutOnly, {}, ShortcutReport{}, {}));
    CHECK(nullValue["errors"][0]["value"].kind == testjson::Value::Null);
}

TEST_CASE("backup commands: backups [--json], restore [FILE], export-reg [BACKUP] OUT.reg") {
    CliOptions o;
    std::string error;
    REQUIRE(ParseCommandLine({"backups", "--json"}, o, error));
    CHECK(o.command == CliOptions::Command::Backups);
    CHECK(o.json);
    REQUIRE(ParseCommandLine({"restore"}, o, error));
    CHECK(o.command == CliOptions::Command::Restore);
    CHECK(o.backupFile.empty());
    REQUIRE(ParseCommandLine({"restore", "Registry Backups\\a.reg"}, o, error));
    CHECK(o.backupFile == "Registry Backups\\a.reg");
    CHECK_FALSE(o.allowUnsigned);
    REQUIRE(ParseCommandLine({"restore", "a.reg", "--unsigned"}, o, error));
    CHECK(o.allowUnsigned);
    CHECK(o.backupFile == "a.reg");
    REQUIRE(ParseCommandLine({"export-reg", "out.reg"}, o, error));
    CHECK(o.command == CliOptions::Command::ExportReg);
    CHECK(o.backupFile.empty());
    CHECK(o.outFile == "out.reg");
    REQUIRE(ParseCommandLine({"export-reg", "b.reg", "out.reg"}, o, error));
    CHECK(o.backupFile == "b.reg");
    CHECK(o.outFile == "out.reg");

    CHECK_FALSE(ParseCommandLine({"backups", "x"}, o, error));
    CHECK(error == "unknown option \"x\" for backups");
    CHECK_FALSE(ParseCommandLine({"restore", "a", "b"}, o, error));
    CHECK(error == "restore takes at most one FILE");
    CHECK_FALSE(ParseCommandLine({"restore", "--json"}, o, error));
    CHECK_FALSE(ParseCommandLine({"restore", "--unsigned"}, o, error));  // never just the newest
    CHECK(error == "restore --unsigned needs the FILE to restore");
    CHECK_FALSE(ParseCommandLine({"backups", "--unsigned"}, o, error));
    CHECK_FALSE(ParseCommandLine({"export-reg"}, o, error));
    CHECK(error == "export-reg takes [BACKUP] OUT.reg");
    CHECK_FALSE(ParseCommandLine({"export-reg", "a", "b", "c"}, o, error));
}

TEST_CASE("a kept item matches a reported one whatever its letter case") {
    const std::vector<std::string> keep{"C:\\Tidewarp\\A.EXE", "C:\\x.lnk"};
    CHECK(KeepsItem(keep, "c:\\tidewarp\\a.exe"));
    CHECK(KeepsItem(keep, "C:\\X.LNK"));
    CHECK_FALSE(KeepsItem(keep, "c:\\tidewarp\\a.ex"));
    CHECK_FALSE(KeepsItem({}, "C:\\x.lnk"));
}

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

TEST_CASE("--summary and --dry-run: where they are taken") {
    CliOptions o;
    std::string error;
    REQUIRE(ParseCommandLine({"fix", "--dry-run", "--summary"}, o, error));
    CHECK(o.dryRun);
    CHECK(o.summary);
    REQUIRE(ParseCommandLine({"scan", "--summary"}, o, error));
    CHECK_FALSE(o.dryRun);
    CHECK_FALSE(ParseCommandLine({"scan", "--dry-run"}, o, error));  // a scan changes nothing anyway
    CHECK_FALSE(ParseCommandLine({"fix", "--json", "--summary"}, o, error));
    CHECK(error == "--json and --summary do not go together");
}

namespace {
// Lead bytes as code page 932 has them.
bool Cp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
}  // namespace

TEST_CASE("a summary is one line of at most 2048 bytes, cut between characters") {
    SummaryList summaries{{"Invalid CLSID", 500, 9, 0}, {"Corrupt Drivers", 20, 0, 0}, {"Corrupt Fonts", 80, 4, 3}};
    ShortcutReport shortcuts;
    shortcuts.scanned = true;
    shortcuts.broken = {"C:\\a.lnk"};
    shortcuts.deleted = 1;
    CHECK(SummaryLine(summaries, shortcuts, false, &Cp932Lead) ==
          std::string("Tidewarp ") + TW_TEST_VERSION +
              ": 14 found (Invalid CLSID 9, Corrupt Fonts 4, Broken Shortcuts 1); 4 removed");
    CHECK(SummaryLine({}, ShortcutReport{}, true, &Cp932Lead).find(": 0 found; 0 would be removed") !=
          std::string::npos);
    CHECK(SummaryLine(summaries, shortcuts, false, &Cp932Lead, 2).find("; 4 removed; 2 left in place") !=
          std::string::npos);

    // Cut at the limit: exactly kSummaryMax bytes, and never between the two bytes of a character.
    const std::string kanji = "\x93\xfa";  // one double-byte character
    for (std::size_t ascii = 0; ascii < 3; ++ascii) {
        CAPTURE(ascii);
        std::string text(ascii, 'a');
        while (text.size() < 3000) text += kanji;
        const std::string cut = CutAtCharacter(text, kSummaryMax, &Cp932Lead);
        CHECK(cut.size() <= kSummaryMax);
        CHECK(cut.size() >= kSummaryMax - 1);
        CHECK(cut.compare(cut.size() - 3, 3, "...") == 0);
        CHECK((cut.size() - 3 - ascii) % 2 == 0);  // whole characters only
    }
    CHECK(CutAtCharacter(std::string(kSummaryMax, 'x'), kSummaryMax, &Cp932Lead) == std::string(kSummaryMax, 'x'));
    CHECK(CutAtCharacter(std::string(kSummaryMax + 1, 'x'), kSummaryMax, &Cp932Lead) ==
          std::string(kSummaryMax - 3, 'x') + "...");
}

TEST_CASE("every document opens with its schema and version; a dry run adds its actions") {
    const std::string scan = ScanReportJson({}, {}, ShortcutReport{}, {});
    CHECK(scan.rfind(std::string("{\"schema\":\"tidewarp-report/1\",\"version\":\"") + TW_TEST_VERSION + "\",\"errors\":",
                     0) == 0);
    CHECK(IgnoreListJson({}).rfind("{\"schema\":\"tidewarp-report/1\",\"version\":", 0) == 0);
    const std::vector<LeftInPlace> left;
    const std::vector<PlannedAction> actions{{0, "CLSID", "HKEY_CLASSES_ROOT\\CLSID\\{x}", "", "C:\\a.dll", "remove_key", ""},
                                             {1, "Help", "HKEY_LOCAL_MACHINE\\h", "a.hlp", "C:\\a.hlp", "remove_value", ""}};
    auto json = testjson::Parse(ScanReportJson({}, {}, ShortcutReport{}, {}, &left, &actions));
    CHECK(json["dry_run"].boolean);
    REQUIRE(json["actions"].size() == 2);
    CHECK(json["actions"][0]["value_name"].kind == testjson::Value::Null);
    CHECK(json["actions"][1]["value_name"].text == "a.hlp");
    CHECK(json["actions"][1]["action"].text == "remove_value");
}

// The per-category entry rules with a fixed system, under the sanitizers.
#include "doctest.h"

#include "registry/FileRefRules.h"

namespace {

class FixedSystem : public PathEnvironment {
public:
    std::string Expand(const std::string& piece) const override {
        if (piece == "%Lossy%") return "C:\\Users\\??";
        return piece == "%ProgramFiles%" ? "C:\\Program Files" : piece;
    }
    std::string SystemDirectory() const override { return "D:\\WINNT\\system32"; }
    std::string WindowsDirectory() const override { return "D:\\WINNT"; }
};

struct Row {
    int category;
    const char* name;
    const char* text;
    EntryDecision::Kind kind;
    const char* path;
};

}  // namespace

TEST_CASE("entry rules: which entries are tested, and as which path") {
    const auto S = EntryDecision::Skip, P = EntryDecision::ProgressOnly, T = EntryDecision::Test;
    const Row rows[] = {
        // shared DLL counts: the name is the file; the default entry is passed over
        {2, "(Default)", "(value not set)", S, ""},
        {2, "msvcrt.dll", "0x00000001 (1)", T, "D:\\WINNT\\system32\\msvcrt.dll"},
        // drivers: under the system directory of this system, whatever the text
        {3, "wave", "wdmaud.drv", T, "D:\\WINNT\\system32\\wdmaud.drv"},
        {3, "(Default)", "(value not set)", S, ""},
        // help files: the folder text and the name, joined with one backslash
        {4, "a.hlp", "C:\\Help\\", T, "C:\\Help\\a.hlp"},
        {4, "a.hlp", "C:\\Help", T, "C:\\Help\\a.hlp"},
        {4, "notepad.exe", "help", T, "D:\\WINNT\\system32\\help\\notepad.exe"},
        // application paths
        {5, "(Default)", "\"C:\\App\\app.exe\"", T, "C:\\App\\app.exe"},
        {5, "Path", "C:\\App;C:\\Lib", P, "C:\\App;C:\\Lib"},
        {5, "Path", "C:\\App\\", P, "C:\\App\\"},
        {5, "Path", "app.exe", P, "app.exe"},
        {5, "x", "C:a", P, "C:a"},
        {5, "x", "\"\"", P, ""},
        // shared tools: only "path", in any case and with blanks around it
        {6, " PATH\t", "tool.exe", T, "D:\\WINNT\\system32\\tool.exe"},
        {6, "Paths", "C:\\x.exe", S, ""},
        // fonts
        {7, "Arial (TrueType)", "arial.ttf", T, "D:\\WINNT\\fonts\\arial.ttf"},
        // start-up commands
        {8, "a", "\"C:\\Prog\\a.exe\" -min /s", T, "C:\\Prog\\a.exe"},
        {8, "b", "b.exe /background", T, "D:\\WINNT\\b.exe"},
        {8, "c", "%ProgramFiles%\\C\\c.exe", T, "C:\\Program Files\\C\\c.exe"},
        {8, "d", "rundll32.exe shell32.dll,Control_RunDLL", P, "D:\\WINNT\\rundll32.exe"},
        {8, "e", "C:\\X\\B.EXE.exe", T, "C:\\X\\B.EXE"},
        {8, "f", "C:", P, "C:"},
        {8, "g", "(value not set)", S, ""},
        // uninstall commands
        {9, "UninstallString", "\"C:\\App\\unins000.exe\" /SILENT", T, "C:\\App\\unins000.exe"},
        {9, "UninstallString", "MsiExec.exe /X{1}", P, "MsiExec.exe"},
        {9, "UninstallString", "C:\\WINNT\\system32\\regsvr32.exe /u C:\\x.dll", P, "C:\\WINNT\\system32\\regsvr32.exe"},
        {9, "UninstallString", "C:\\", P, "C:\\"},
        {9, "UninstallString", "\"\"", P, ""},
        {9, "uninstallstring", "C:\\App\\u.exe", S, ""},
        {9, "DisplayName", "App", S, ""},
        // network and device paths name their own volume: never put under a default folder
        {2, "//host/share/x.dll", "0x00000001 (1)", T, "//host/share/x.dll"},
        {3, "wave", "\\\\host\\share\\x.drv", T, "\\\\host\\share\\x.drv"},
        {4, "a.hlp", "//host/help", T, "//host/help\\a.hlp"},
        {6, "path", "\\\\?\\UNC\\h\\s\\t.exe", T, "\\\\?\\UNC\\h\\s\\t.exe"},
        {6, "path", "\\\\?\\C:\\u\\??.exe", P, "\\\\?\\C:\\u\\??.exe"},  // lossy after the prefix
        {7, "x", "//host/fonts/x.ttf", T, "//host/fonts/x.ttf"},
        {8, "h", "\\\\192.0.2.10\\share\\app.exe -x", T, "\\\\192.0.2.10\\share\\app.exe"},
        {8, "i", "\"//host/share/app.exe\"", T, "//host/share/app.exe"},
        {8, "j", "\\app.exe", T, "D:\\WINNT\\\\app.exe"},  // one separator: still a bare name
    };
    FixedSystem env;
    for (const Row& r : rows) {
        CAPTURE(r.category);
        std::string text = r.text;
        CAPTURE(text);
        EntryDecision d = DecideEntry(r.category, RegValueEntry{r.name, r.text, 1}, env);
        CHECK(d.kind == r.kind);
        if (r.kind != EntryDecision::Skip) CHECK(d.path == r.path);
    }
    CHECK(DecideEntry(1, RegValueEntry{"(Default)", "x.dll", 1}, env).kind == EntryDecision::Skip);
}

TEST_CASE("entries that cannot name a file are examined and passed over") {
    FixedSystem env;
    const std::uint32_t kSz = 1, kExpand = 2, kBinary = 3, kDword = 4, kMulti = 7;
    // Numbers, bytes and string lists name no file, wherever they stand.
    for (int category : {3, 4, 5, 6, 7, 8, 9})
        for (std::uint32_t type : {0u, kBinary, kDword, kMulti, 11u}) {
            CAPTURE(category);
            CAPTURE(type);
            const char* name = category == 6 ? "Path" : category == 9 ? "UninstallString" : "x";
            CHECK(DecideEntry(category, RegValueEntry{name, "C:\\gone\\x.exe", type}, env).kind == EntryDecision::Skip);
        }
    CHECK(DecideEntry(8, RegValueEntry{"x", "%ProgramFiles%\\x.exe", kExpand}, env).kind == EntryDecision::Test);
    // A shared DLL count is a number; its name is the file.
    CHECK(DecideEntry(2, RegValueEntry{"C:\\gone.dll", "0x00000001 (1)", kDword}, env).kind == EntryDecision::Test);
    // Text the code page could not spell names another file: never tested, in any category.
    for (int category = 2; category <= 9; ++category) {
        RegValueEntry lossy{category == 6 ? "Path" : "UninstallString", "C:\\uni\\??.dll", kSz};
        lossy.exact = false;
        CHECK(DecideEntry(category, lossy, env).kind == EntryDecision::Skip);
    }
    // Nor is a path that a lossy expansion or system folder left holding a '?'.
    CHECK(DecideEntry(8, RegValueEntry{"x", "%Lossy%\\x.exe", kSz}, env).kind == EntryDecision::ProgressOnly);
    CHECK(DecideEntry(7, RegValueEntry{"x", "?.ttf", kSz}, env).kind == EntryDecision::ProgressOnly);
}

TEST_CASE("a key path lies at or below a key, letter case aside") {
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\App Paths\\a.exe";
    CHECK(IsKeyAtOrBelow(key, key));
    CHECK(IsKeyAtOrBelow("hkey_local_machine\\software\\app paths\\A.EXE\\Sub", key));
    CHECK_FALSE(IsKeyAtOrBelow("HKEY_LOCAL_MACHINE\\SOFTWARE\\App Paths\\a.exe2", key));
    CHECK_FALSE(IsKeyAtOrBelow("HKEY_LOCAL_MACHINE\\SOFTWARE\\App Paths", key));
    CHECK_FALSE(IsKeyAtOrBelow("", key));
    CHECK_FALSE(IsKeyAtOrBelow(key, ""));
}

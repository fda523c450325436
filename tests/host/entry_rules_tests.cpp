// The per-category entry rules with a fixed system, under the sanitizers.
#include "doctest.h"

#include "registry/FileRefRules.h"

namespace {

class FixedSystem : public PathEnvironment {
public:
    std::string Expand(const std::string& piece) const override {
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

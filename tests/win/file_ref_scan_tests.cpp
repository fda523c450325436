// The file-reference, start-up and uninstall scanners over entries planted in Wine's registry at the
// places the scanners look.
#include "doctest.h"

#include "registry/RegistryLib.h"
#include "registry/SystemEnvironment.h"
#include "scan_test_support.h"
#include "test_process.h"
#include "test_registry.h"
#include "test_json.h"

#include <cstdlib>
#include <memory>

using namespace scantest;
using testreg::PlantedValues;
using testreg::ScratchKey;

namespace {

const std::string kM = "C:\\tidewarp-missing\\";
const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kDrivers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const char kWindows[] = "SOFTWARE\\Microsoft\\Windows";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kSharedTools[] = "SOFTWARE\\Microsoft\\Shared Tools";
const char kFontsNt[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kFonts9x[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const char kRun[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\Currentversion\\Uninstall";

struct Delta {
    int examined, found;
};

// Scans a category before and after planting; checks the change in the counts.
template <typename Plant>
CategorySummary ScanPlanted(CRegistryLib& lib, int number, Delta expected, Plant plant) {
    CategorySummary before = ScanCategory(lib, number);
    plant();
    CategorySummary after = ScanCategory(lib, number);
    CHECK(after.title == before.title);
    CHECK(after.examined - before.examined == expected.examined);
    CHECK(after.found - before.found == expected.found);
    CHECK(after.found == static_cast<std::int32_t>(lib.Errors().size()));
    return after;
}

void CheckRecord(const CRegistryLib& lib, const std::string& item, const char* category, const std::string& keyPath,
                 const char* fix, const std::string& valueName) {
    CAPTURE(item);
    const ErrorRecord* r = RecordFor(lib, item);
    REQUIRE(r);
    CHECK(r->Category() == category);
    CHECK(r->KeyPath() == keyPath);
    CHECK(r->FixKind() == fix);
    REQUIRE(r->Value());
    CHECK(r->Value()->name == valueName);
    CHECK(CalledWith(item));
}

std::string Hklm(const std::string& path) { return "HKEY_LOCAL_MACHINE\\" + path; }

// A system whose system directory is somewhere else.
class MovedSystemDirectory : public PathEnvironment {
public:
    std::string Expand(const std::string& p) const override { return SystemPathEnvironment().Expand(p); }
    std::string SystemDirectory() const override { return "C:\\tidewarp-sys"; }
    std::string WindowsDirectory() const override { return SystemPathEnvironment().WindowsDirectory(); }
};

}  // namespace

// First in the file, before any test has planted anything.
TEST_CASE("a fresh prefix: what each category examines and reports") {
    CRegistryLib lib;
    ScanSelection all;
    for (int f : {1, 3, 4, 5, 6, 7, 8, 9, 11}) all.field[f] = 1;
    SummaryList summaries;
    lib.ScanAll(summaries, all);
    REQUIRE(summaries.size() == 9);
    const char* titles[] = {"Invalid CLSID",           "Corrupt Shared Files",      "Corrupt Drivers",
                            "Corrupt Help Files",      "Invalid Application Paths", "Invalid Shared Tools",
                            "Corrupt Fonts",           "Invalid Startup Entries",   "Invalid Uninstall Entries"};
    for (int i = 0; i < 9; ++i) {
        CHECK(summaries[i].title == titles[i]);
        MESSAGE("category " << i + 1 << " (" << titles[i] << "): examined " << summaries[i].examined << ", found "
                            << summaries[i].found);
    }
    // Wine registers four bitmap fonts by bare name that its fonts folder does not hold; nothing
    // else in a fresh prefix is broken.
    for (const ErrorRecord& r : lib.Errors()) CHECK(r.Category() == "font");
    CHECK(summaries[6].found == 4);
}

TEST_CASE("shared DLL counts: the value NAME is the file") {
    CRegistryLib lib;
    PlantedValues v;
    testreg::CreateKey(HKEY_LOCAL_MACHINE, kSharedDlls);  // a fresh prefix has none
    ScanPlanted(lib, 2, {3, 2}, [&] {
        v.Dword(kSharedDlls, kM + "shared.dll", 3);
        v.Dword(kSharedDlls, "tidewarp-bare-shared.dll", 1);
        v.Dword(kSharedDlls, "C:\\windows\\system32\\kernel32.dll", 7);
    });
    CheckRecord(lib, kM + "shared.dll", "SharedFile", Hklm(kSharedDlls), "VAL", kM + "shared.dll");
    CheckRecord(lib, "C:\\windows\\system32\\tidewarp-bare-shared.dll", "SharedFile", Hklm(kSharedDlls), "VAL",
                "tidewarp-bare-shared.dll");
    CHECK(RecordFor(lib, kM + "shared.dll")->Value()->text == "0x00000003 (3)");
    for (const Call& c : g_calls) CHECK(c.status == "Scanning Shared Files");
}

TEST_CASE("drivers are tested in the system directory") {
    CRegistryLib lib;
    PlantedValues v;
    ScanPlanted(lib, 3, {2, 1}, [&] {
        v.String(kDrivers, "tidewarp.missing", "tidewarp-driver.drv");
        v.String(kDrivers, "tidewarp.present", "kernel32.dll");
    });
    CheckRecord(lib, "C:\\windows\\system32\\tidewarp-driver.drv", "VxD", Hklm(kDrivers), "VAL", "tidewarp.missing");
    CHECK(g_calls.back().status == "Scanning VXD");

    SUBCASE("wherever that directory is") {
        testreg::MakeFolders("C:\\tidewarp-sys");
        testreg::WriteFile("C:\\tidewarp-sys\\tidewarp-driver.drv", "");
        MovedSystemDirectory moved;
        lib.SetEnvironment(moved);
        ScanCategory(lib, 3);
        CHECK(RecordFor(lib, "C:\\tidewarp-sys\\tidewarp-driver.drv") == nullptr);
        CHECK(RecordFor(lib, "C:\\tidewarp-sys\\kernel32.dll") != nullptr);
        lib.SetEnvironment(SystemPathEnvironment());
        DeleteFileA("C:\\tidewarp-sys\\tidewarp-driver.drv");
    }
}

TEST_CASE("help files: folder text and file name joined with one backslash") {
    CRegistryLib lib;
    testreg::MakeFolders("C:\\tidewarp-help");
    testreg::WriteFile("C:\\tidewarp-help\\app.hlp", "");
    testreg::WriteFile("C:\\tidewarp-help\\app2.hlp", "");
    // The keys exist (empty) before the first scan, whatever earlier tests left in them.
    auto help = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Help");
    auto html = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\HTML Help");
    auto other = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Helpers");
    ScanPlanted(lib, 4, {4, 2}, [&] {
        testreg::SetString(HKEY_LOCAL_MACHINE, help->Path(), "app.hlp", "C:\\tidewarp-help\\");  // present
        testreg::SetString(HKEY_LOCAL_MACHINE, help->Path(), "app2.hlp", "C:\\tidewarp-help");   // present too
        testreg::SetString(HKEY_LOCAL_MACHINE, help->Path(), "app3.hlp", "tidewarp-help");       // bare folder
        testreg::SetString(HKEY_LOCAL_MACHINE, html->Path(), "guide.chm", kM);
        testreg::SetString(HKEY_LOCAL_MACHINE, other->Path(), "x.hlp", kM);  // not a help key
    });  // examined: app.hlp, app2.hlp, app3.hlp, guide.chm (the unset defaults were there before)
    CheckRecord(lib, "C:\\windows\\system32\\tidewarp-help\\app3.hlp", "Help", Hklm(kWindows) + "\\help", "VAL",
                "app3.hlp");
    CheckRecord(lib, kM + "guide.chm", "Help", Hklm(kWindows) + "\\html help", "VAL", "guide.chm");
    CHECK(CalledWith("C:\\tidewarp-help\\app.hlp"));
    CHECK(CalledWith("C:\\tidewarp-help\\app2.hlp"));
    CHECK_FALSE(CalledWith(kM + "x.hlp"));
    DeleteFileA("C:\\tidewarp-help\\app.hlp");
    DeleteFileA("C:\\tidewarp-help\\app2.hlp");
}

TEST_CASE("application paths: folder lists and folders are never reported") {
    CRegistryLib lib;
    std::unique_ptr<ScratchKey> a, b, c;
    ScanPlanted(lib, 5, {7, 2}, [&] {
        a = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\TidewarpA.exe");
        b = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\TidewarpB.exe");
        c = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\TidewarpC.exe");
        testreg::SetString(HKEY_LOCAL_MACHINE, a->Path(), "", "\"" + kM + "a.exe\"");
        testreg::SetString(HKEY_LOCAL_MACHINE, a->Path(), "Path", kM + "one;" + kM + "two");
        testreg::SetString(HKEY_LOCAL_MACHINE, b->Path(), "", "C:\\windows\\system32\\kernel32.dll");
        testreg::SetString(HKEY_LOCAL_MACHINE, b->Path(), "Path", kM);  // a folder with its backslash
        testreg::SetString(HKEY_LOCAL_MACHINE, c->Path(), "", "c:x");   // three characters
        testreg::SetString(HKEY_LOCAL_MACHINE, c->Path(), "Path", "relative\\x.exe");
        testreg::SetString(HKEY_LOCAL_MACHINE, c->Path(), "Other", kM + "c.exe");
    });  // every key has its default value set: 2 + 2 + 3 entries
    CheckRecord(lib, kM + "a.exe", "APPPath", Hklm(kAppPaths) + "\\tidewarpa.exe", "KEY", "(Default)");
    // Any value with a full file path is tested, not only the default one.
    CheckRecord(lib, kM + "c.exe", "APPPath", Hklm(kAppPaths) + "\\tidewarpc.exe", "KEY", "Other");
    // Entries that are not tested are still announced.
    CHECK(CalledWith(kM + "one;" + kM + "two"));
    CHECK(CalledWith(kM));
    CHECK(CalledWith("c:x"));
    CHECK(g_calls.back().status == "Scanning Application Paths");
}

TEST_CASE("shared tools: only a value named path counts, and the record names the tool's key") {
    CRegistryLib lib;
    std::unique_ptr<ScratchKey> tool, tool2;
    CategorySummary s = ScanPlanted(lib, 6, {6, 1}, [&] {
        tool = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kSharedTools) + "\\TidewarpTool");
        tool2 = std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kSharedTools) + "\\TidewarpTool2");
        testreg::SetString(HKEY_LOCAL_MACHINE, tool->Path(), " PaTh ", kM + "tool.exe");
        testreg::SetString(HKEY_LOCAL_MACHINE, tool->Path(), "Other", kM + "other.exe");
        testreg::SetString(HKEY_LOCAL_MACHINE, tool2->Path(), "path", "kernel32.dll");
        testreg::SetString(HKEY_LOCAL_MACHINE, tool2->Path(), "Version", "1.0");
    });  // 4 values and 2 unset defaults
    CHECK(s.title == "Invalid Shared Tools");
    CheckRecord(lib, kM + "tool.exe", "SharedTools", Hklm(kSharedTools) + "\\TidewarpTool", "KEY", " PaTh ");
    CHECK(CalledWith("C:\\windows\\system32\\kernel32.dll"));
    CHECK_FALSE(CalledWith(kM + "other.exe"));
    CHECK(g_calls.back().status == "Scanning Shared Tools");
}

TEST_CASE("fonts: bare names live in the fonts folder; the key depends on the system family") {
    CRegistryLib lib;
    lib.SetIs9x(false);
    PlantedValues v;
    testreg::WriteFile("C:\\windows\\fonts\\tidewarp-present.ttf", "");
    ScanPlanted(lib, 7, {3, 2}, [&] {
        v.String(kFontsNt, "Tidewarp Bare (TrueType)", "tidewarp-gone.ttf");
        v.String(kFontsNt, "Tidewarp Full (TrueType)", kM + "full.ttf");
        v.String(kFontsNt, "Tidewarp Present (TrueType)", "tidewarp-present.ttf");
        v.String(kFonts9x, "Tidewarp Nine (TrueType)", "tidewarp-nine.ttf");
    });
    CheckRecord(lib, "C:\\windows\\fonts\\tidewarp-gone.ttf", "font", Hklm(kFontsNt), "VAL",
                "Tidewarp Bare (TrueType)");
    CheckRecord(lib, kM + "full.ttf", "font", Hklm(kFontsNt), "VAL", "Tidewarp Full (TrueType)");
    CHECK(RecordFor(lib, "C:\\windows\\fonts\\tidewarp-nine.ttf") == nullptr);

    lib.SetIs9x(true);
    ScanCategory(lib, 7);
    CheckRecord(lib, "C:\\windows\\fonts\\tidewarp-nine.ttf", "font", Hklm(kFonts9x), "VAL",
                "Tidewarp Nine (TrueType)");
    CHECK(RecordFor(lib, "C:\\windows\\fonts\\tidewarp-gone.ttf") == nullptr);
    DeleteFileA("C:\\windows\\fonts\\tidewarp-present.ttf");
}

TEST_CASE("start-up commands: the program is cut out of the command line") {
    CRegistryLib lib;
    PlantedValues v;
    ScanPlanted(lib, 8, {9, 5}, [&] {
        v.String(kRun, "TwQuoted", "\"" + kM + "prog.exe\" -arg /x");
        v.String(kRun, "TwBare", "tidewarp-bare.exe");
        v.String(kRun, "TwEnv", "%ProgramFiles%\\Tidewarp Gone\\tw.exe --quiet");
        v.String(kRun, "TwRundll", "rundll32.exe " + kM + "x.dll,Entry");
        v.String(kRun, "TwRunDll2", "RunDll32 " + kM + "y.dll,Entry");
        v.String(kRun, "TwUpper", kM + "UPPER.EXE arg");
        v.String(kRun, "TwBoth", kM + "Both.EXE.exe");
        v.String(kRun, "TwShort", "C:");
        v.String(kRun, "TwPresent", "C:\\windows\\system32\\kernel32.dll");
    });
    const std::string run = Hklm(kRun);
    CheckRecord(lib, kM + "prog.exe", "Startup", run, "VAL", "TwQuoted");
    CheckRecord(lib, "C:\\windows\\tidewarp-bare.exe", "Startup", run, "VAL", "TwBare");
    CheckRecord(lib, "C:\\Program Files\\Tidewarp Gone\\tw.exe", "Startup", run, "VAL", "TwEnv");
    CheckRecord(lib, kM + "UPPER.EXE", "Startup", run, "VAL", "TwUpper");
    CheckRecord(lib, kM + "Both.EXE", "Startup", run, "VAL", "TwBoth");  // ".exe" first, then ".EXE"
    CHECK(CalledWith("C:\\windows\\rundll32.exe"));
    CHECK(CalledWith("RunDll32 " + kM + "y.dll,Entry"));
    CHECK(CalledWith("C:"));
    for (const Call& c : g_calls) CHECK(c.status == "Scanning Startup Entries");
}

TEST_CASE("uninstall entries: only UninstallString, only commands with a drive, no system utilities") {
    CRegistryLib lib;
    std::vector<std::unique_ptr<ScratchKey>> keys;
    auto app = [&](const char* name, const char* valueName, const std::string& command) {
        keys.push_back(std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\" + name));
        testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), valueName, command);
    };
    ScanPlanted(lib, 9, {15, 2}, [&] {
        app("TidewarpApp", "UninstallString", "\"" + kM + "uninst.exe\" /S");
        testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), "DisplayName", "Tidewarp Test App");
        app("TidewarpMsi", "UninstallString", "MsiExec.exe /X{00000000-0000-0000-0000-000000000000}");
        app("TidewarpRegsvr", "UninstallString", "C:\\windows\\system32\\regsvr32.exe /u " + kM + "x.dll");
        app("TidewarpRundll", "UninstallString", "C:\\windows\\RunDll32 " + kM + "y.dll,Uninstall");
        app("TidewarpCase", "uninstallstring", kM + "case.exe");
        app("TidewarpSemi", "UninstallString", kM + "setup.bat;" + kM + "log");
        app("TidewarpSemiExe", "UninstallString", kM + "a.exe;" + kM + "b.exe");  // cut at ".exe" first
    });  // 8 values and 7 unset defaults
    CheckRecord(lib, kM + "uninst.exe", "Uninstall", Hklm(kUninstall) + "\\tidewarpapp", "VAL", "UninstallString");
    CheckRecord(lib, kM + "a.exe", "Uninstall", Hklm(kUninstall) + "\\tidewarpsemiexe", "VAL", "UninstallString");
    CHECK(CalledWith("MsiExec.exe"));
    CHECK(CalledWith(kM + "setup.bat;" + kM + "log"));
    CHECK(CalledWith("C:\\windows\\system32\\regsvr32.exe"));
    CHECK_FALSE(CalledWith(kM + "case.exe"));
    CHECK_FALSE(CalledWith("Tidewarp Test App"));
    CHECK(g_calls.back().status == "Scanning Uninstall Entries");
}

namespace {
void StopOnSharedTools(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    RecordCall(item, status, examined, found);
    if (status == "Scanning Shared Tools") testreg::SetStopEvent(true);
}
}  // namespace

TEST_CASE("a stop during one scanner ends it with its summary; later scanners return without one") {
    std::vector<std::unique_ptr<ScratchKey>> tools;
    for (int i = 0; i < 20; ++i) {
        tools.push_back(std::make_unique<ScratchKey>(HKEY_LOCAL_MACHINE,
                                                     std::string(kSharedTools) + "\\TidewarpStop" + std::to_string(i)));
        testreg::SetString(HKEY_LOCAL_MACHINE, tools.back()->Path(), "Path", kM + "stop.exe");
    }
    CRegistryLib lib;
    lib.SetProgressCallback(&StopOnSharedTools);
    g_calls.clear();
    ScanSelection all;
    for (int f : {1, 3, 4, 5, 6, 7, 8, 9, 11}) all.field[f] = 1;
    SummaryList summaries;
    lib.ScanAll(summaries, all);
    testreg::SetStopEvent(false);

    REQUIRE(summaries.size() == 6);
    CHECK(summaries[5].title == "Invalid Shared Tools");
    CHECK(summaries[5].found >= 1);
    CHECK(summaries[5].found <= 20);
    for (int f : {1, 3, 4, 5, 6, 7, 8, 9, 11}) CHECK(all.field[f] == -1);
    CHECK(g_calls.back().status == "Scanning Shared Tools");
}

TEST_CASE("the console program picks the Fonts key by the system family it runs on") {
    PlantedValues v;
    v.String(kFonts9x, "Tidewarp Nine (TrueType)", "tidewarp-nine.ttf");
    DeleteFileA("ignore.lst");
    auto nt = testjson::Parse(testproc::Run("tidewarp-cli.exe", "scan --categories font --json").out);
    testreg::SetString(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98");
    auto nine = testjson::Parse(testproc::Run("tidewarp-cli.exe", "scan --categories font --json").out);
    HKEY wine = nullptr;
    RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Wine", &wine);
    RegDeleteValueA(wine, "Version");
    RegCloseKey(wine);

    auto hasNine = [](const testjson::Value& json) {
        for (const auto& e : json["errors"].items)
            if (e["item"].text == "C:\\windows\\fonts\\tidewarp-nine.ttf") return true;
        return false;
    };
    CHECK_FALSE(hasNine(nt));
    CHECK(hasNine(nine));
}

// Run with code page 932 as the ANSI code page (the "cp932" run sets TW_CP932 and a Japanese locale,
// from which Wine takes the code page); elsewhere there is no double-byte character to keep.
TEST_CASE("code page 932: a record names the key that exists, second bytes of its name unchanged") {
    if (!std::getenv("TW_CP932") && GetACP() != 932) return;
    REQUIRE(GetACP() == 932);
    const std::string kana = "Tidewarp\x83\x41\x83\x43.EXE";  // katakana A and I: second bytes 'A' and 'C'
    CRegistryLib lib;
    ScratchKey key(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\" + kana);
    testreg::SetString(HKEY_LOCAL_MACHINE, key.Path(), "", kM + "kana.exe");
    ScanCategory(lib, 5);
    const ErrorRecord* r = RecordFor(lib, kM + "kana.exe");
    REQUIRE(r);
    CHECK(r->KeyPath() == Hklm(kAppPaths) + "\\tidewarp\x83\x41\x83\x43.exe");
    // Lowered byte by byte, the name would be katakana DI and U: another key, here none.
    HKEY opened = nullptr;
    const std::string sub = r->KeyPath().substr(std::string("HKEY_LOCAL_MACHINE\\").size());
    CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS);
    if (opened) RegCloseKey(opened);
}

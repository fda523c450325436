// The engine on 64-bit Windows: run in a 64-bit prefix, where this 32-bit program runs under WOW64
// with a redirected registry (the 32-bit view) and file system (system32 is syswow64).
#include "doctest.h"

#include "maintenance/RegistryBackup.h"
#include "maintenance/Shortcut.h"
#include "platform/Wow64.h"
#include "recording_notifier.h"
#include "registry/RegistryLib.h"
#include "test_links.h"
#include "test_registry.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr char kRun[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";

void Set(HKEY root, REGSAM view, const std::string& key, const char* name, const std::string& text) {
    HKEY h = nullptr;
    REQUIRE(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &h, nullptr) == 0);
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    RegCloseKey(h);
}

// The value's text, or "<none>" when the key or value is missing.
std::string Get(HKEY root, REGSAM view, const std::string& key, const char* name) {
    char text[512] = "<none>";
    DWORD size = sizeof text;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &h) != 0) return "<none>";
    if (RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != 0)
        std::strcpy(text, "<none>");
    RegCloseKey(h);
    return text;
}

void Remove(HKEY root, REGSAM view, const std::string& key) {
    tw::DeleteKeyInView(root, key + "\\InprocServer32", view);
    tw::DeleteKeyInView(root, key, view);
}

std::string Class(const char* guid) { return std::string("CLSID\\") + guid; }

// A file of the 64-bit system folder (redirection off) or of the 32-bit one.
void PlantSystemFile(const char* name, bool native) {
    tw::FileRedirectionOff off(native);
    testlink::Touch(std::string("C:\\windows\\system32\\") + name);
}

std::vector<const ErrorRecord*> Records(const CRegistryLib& lib, const std::string& marker) {
    std::vector<const ErrorRecord*> out;
    for (const ErrorRecord& r : lib.Errors())
        if (r.KeyPath().find(marker) != std::string::npos ||
            (r.Value() && r.Value()->name.find(marker) != std::string::npos))
            out.push_back(&r);
    return out;
}

SummaryList ScanOnly(CRegistryLib& lib, int field) {
    testreg::SetStopEvent(false);
    ScanSelection selection;
    selection.field[field] = 1;
    SummaryList summaries;
    lib.ScanAll(summaries, selection);
    return summaries;
}

}  // namespace

// Runs first, on the untouched prefix. Wine's 64-bit view also names 16-bit servers (avifile.dll,
// ole2disp.dll), which lie in the 32-bit system folder only.
TEST_CASE("a fresh 64-bit prefix reports nothing but Wine's four raster fonts") {
    REQUIRE(tw::RunsUnderWow64());
    CRegistryLib lib;
    ScanSelection all;
    for (int f : {1, 3, 4, 5, 6, 7, 8, 9, 11}) all.field[f] = 1;
    SummaryList summaries;
    lib.ScanAll(summaries, all);
    int fonts = 0;
    for (const ErrorRecord& r : lib.Errors()) {
        INFO(r.KeyPath() << " " << r.Item());
        CHECK(r.Category() == "font");
        fonts += r.Category() == "font";
    }
    CHECK(fonts == 4);
}

TEST_CASE("classes of both registry views are tested in their own file view, removed and restored there") {
    const char* kServer64 = "{7D000001-7D00-4000-8000-000000000001}";  // 64-bit only, file in system32
    const char* kBroken64 = "{7D000002-7D00-4000-8000-000000000002}";  // broken in 64, sound in 32
    const char* kBroken32 = "{7D000003-7D00-4000-8000-000000000003}";  // broken in the 32-bit view
    const char* kServer32 = "{7D000004-7D00-4000-8000-000000000004}";  // 32-bit only, file in syswow64
    PlantSystemFile("tw64only.dll", true);
    PlantSystemFile("tw32only.dll", false);
    Set(HKEY_CLASSES_ROOT, k64, Class(kServer64) + "\\InprocServer32", nullptr, "C:\\windows\\system32\\tw64only.dll");
    Set(HKEY_CLASSES_ROOT, k64, Class(kBroken64) + "\\InprocServer32", nullptr, "C:\\tw-missing\\broken64.dll");
    Set(HKEY_CLASSES_ROOT, k32, Class(kBroken64) + "\\InprocServer32", nullptr, "C:\\windows\\system32\\tw32only.dll");
    Set(HKEY_CLASSES_ROOT, k32, Class(kBroken32) + "\\InprocServer32", nullptr, "C:\\tw-missing\\broken32.dll");
    Set(HKEY_CLASSES_ROOT, k32, Class(kServer32) + "\\InprocServer32", nullptr, "C:\\windows\\system32\\tw32only.dll");

    CRegistryLib lib;
    ScanOnly(lib, ScanSelection::kClassRegistrations);
    CHECK(Records(lib, kServer64).empty());  // its server is a 64-bit file: looked for in system32
    CHECK(Records(lib, kServer32).empty());  // a 32-bit server: looked for in syswow64
    auto broken64 = Records(lib, kBroken64);
    auto broken32 = Records(lib, kBroken32);
    REQUIRE(broken64.size() == 1);
    REQUIRE(broken32.size() == 1);
    CHECK(broken64[0]->KeyPath() == std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kBroken64);
    CHECK(broken32[0]->KeyPath() == std::string("HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\") + kBroken32);

    ErrorList found;
    for (const ErrorRecord& r : lib.Errors())
        if (&r == broken64[0] || &r == broken32[0]) found.push_back(r);
    lib.Errors() = std::move(found);
    BackupResult backup = BackupErrorKeys(lib.Errors());
    REQUIRE(backup.status == BackupResult::Status::Saved);
    SummaryList summaries;
    lib.FixAll(summaries, "FixedOnTest.xml");
    const std::string server64 = Class(kBroken64) + "\\InprocServer32";
    CHECK(Get(HKEY_CLASSES_ROOT, k64, server64, nullptr) == "<none>");
    CHECK(Get(HKEY_CLASSES_ROOT, k32, server64, nullptr) == "C:\\windows\\system32\\tw32only.dll");
    CHECK(Get(HKEY_CLASSES_ROOT, k32, Class(kBroken32) + "\\InprocServer32", nullptr) == "<none>");

    RecordingNotifier notes;
    CHECK(RestoreLastBackup(notes).Complete());
    CHECK(Get(HKEY_CLASSES_ROOT, k64, server64, nullptr) == "C:\\tw-missing\\broken64.dll");
    CHECK(Get(HKEY_CLASSES_ROOT, k32, server64, nullptr) == "C:\\windows\\system32\\tw32only.dll");
    CHECK(Get(HKEY_CLASSES_ROOT, k32, Class(kBroken32) + "\\InprocServer32", nullptr) ==
          "C:\\tw-missing\\broken32.dll");
    CHECK(Get(HKEY_CLASSES_ROOT, k64, Class(kBroken32) + "\\InprocServer32", nullptr) == "<none>");

    for (const char* guid : {kServer64, kBroken64, kBroken32, kServer32}) {
        Remove(HKEY_CLASSES_ROOT, k64, Class(guid));
        Remove(HKEY_CLASSES_ROOT, k32, Class(guid));
    }
}

TEST_CASE("the current user's classes of each view are named by their physical key, removed and restored there") {
    const char* kUser64 = "{7D000011-7D00-4000-8000-000000000011}";  // HKCU\Software\Classes\CLSID
    const char* kUser32 = "{7D000012-7D00-4000-8000-000000000012}";  // its Wow6432Node twin
    const std::string classes = "Software\\Classes\\";
    const std::string user64 = classes + Class(kUser64), user32 = classes + "Wow6432Node\\" + Class(kUser32);
    Set(HKEY_CURRENT_USER, k64, user64 + "\\InprocServer32", nullptr, "C:\\tw-missing\\user64.dll");
    Set(HKEY_CURRENT_USER, k64, user32 + "\\InprocServer32", nullptr, "C:\\tw-missing\\user32.dll");
    CRegistryLib lib;
    ScanOnly(lib, ScanSelection::kClassRegistrations);
    auto found64 = Records(lib, kUser64);
    auto found32 = Records(lib, kUser32);
    REQUIRE(found64.size() == 1);
    REQUIRE(found32.size() == 1);
    CHECK(found64[0]->KeyPath() == "HKEY_CURRENT_USER\\" + user64);
    CHECK(found32[0]->KeyPath() == "HKEY_CURRENT_USER\\" + user32);

    ErrorList found{*found64[0], *found32[0]};
    lib.Errors() = std::move(found);
    REQUIRE(BackupErrorKeys(lib.Errors()).status == BackupResult::Status::Saved);
    SummaryList summaries;
    lib.FixAll(summaries, "FixedOnTest.xml");
    CHECK(Get(HKEY_CURRENT_USER, k64, user64 + "\\InprocServer32", nullptr) == "<none>");
    CHECK(Get(HKEY_CURRENT_USER, k64, user32 + "\\InprocServer32", nullptr) == "<none>");
    RecordingNotifier notes;
    CHECK(RestoreLastBackup(notes).Complete());
    CHECK(Get(HKEY_CURRENT_USER, k64, user64 + "\\InprocServer32", nullptr) == "C:\\tw-missing\\user64.dll");
    CHECK(Get(HKEY_CURRENT_USER, k64, user32 + "\\InprocServer32", nullptr) == "C:\\tw-missing\\user32.dll");
    Remove(HKEY_CURRENT_USER, k64, user64);
    Remove(HKEY_CURRENT_USER, k64, user32);
}

TEST_CASE("a start-up entry of each view is found and removed in its own view") {
    // Each view also holds a sound entry under the other view's name, which must stay.
    Set(HKEY_LOCAL_MACHINE, k64, kRun, "tw64run", "C:\\tw-missing\\run64.exe");
    Set(HKEY_LOCAL_MACHINE, k32, kRun, "tw64run", "C:\\windows\\notepad.exe");
    Set(HKEY_LOCAL_MACHINE, k32, kRun, "tw32run", "\"C:\\tw-missing\\run32.exe\" /s");
    Set(HKEY_LOCAL_MACHINE, k64, kRun, "tw32run", "C:\\windows\\notepad.exe");
    // A 64-bit program's %ProgramFiles% is C:\Program Files, not the 32-bit "(x86)" folder.
    testreg::MakeFolders("C:\\Program Files\\tw-app");
    testlink::Touch("C:\\Program Files\\tw-app\\app.exe");
    Set(HKEY_LOCAL_MACHINE, k64, kRun, "tw64prog", "\"%ProgramFiles%\\tw-app\\app.exe\" /run");
    CRegistryLib lib;
    ScanOnly(lib, ScanSelection::kStartup);
    CHECK(Records(lib, "tw64prog").empty());
    auto run64 = Records(lib, "tw64run");
    auto run32 = Records(lib, "tw32run");
    REQUIRE(run64.size() == 1);
    REQUIRE(run32.size() == 1);
    CHECK(run64[0]->KeyPath() == "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run");
    CHECK(run32[0]->KeyPath() == "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\Currentversion\\Run");
    SummaryList summaries;
    lib.FixAll(summaries, "FixedOnTest.xml");
    CHECK(Get(HKEY_LOCAL_MACHINE, k64, kRun, "tw64run") == "<none>");
    CHECK(Get(HKEY_LOCAL_MACHINE, k32, kRun, "tw64run") == "C:\\windows\\notepad.exe");
    CHECK(Get(HKEY_LOCAL_MACHINE, k32, kRun, "tw32run") == "<none>");
    CHECK(Get(HKEY_LOCAL_MACHINE, k64, kRun, "tw32run") == "C:\\windows\\notepad.exe");
    CHECK(Get(HKEY_LOCAL_MACHINE, k64, kRun, "tw64prog") != "<none>");
}

TEST_CASE("the current user's start-up key is walked once, under its own name, for 64-bit files") {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    PlantSystemFile("tw64user.exe", true);
    Set(HKEY_CURRENT_USER, k64, run, "twusermissing", "C:\\tw-missing\\user.exe");
    Set(HKEY_CURRENT_USER, k64, run, "twusernative", "C:\\windows\\system32\\tw64user.exe");
    CRegistryLib lib;
    ScanOnly(lib, ScanSelection::kStartup);
    const auto missing = Records(lib, "twusermissing");
    REQUIRE(missing.size() == 1);
    CHECK(missing[0]->KeyPath() == "HKEY_CURRENT_USER\\" + run);
    CHECK(Records(lib, "twusernative").empty());
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, KEY_SET_VALUE, &h) == 0) {
        RegDeleteValueA(h, "twusermissing");
        RegDeleteValueA(h, "twusernative");
        RegCloseKey(h);
    }
}

TEST_CASE("a key both views share is scanned once, its files looked for in the 64-bit system") {
    // Wine shares the App Paths key between the views.
    const std::string paths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    PlantSystemFile("tw64tool.exe", true);
    Set(HKEY_LOCAL_MACHINE, k64, paths + "tw-shared.exe", nullptr, "C:\\tw-missing\\shared.exe");
    Set(HKEY_LOCAL_MACHINE, k64, paths + "tw-native.exe", nullptr, "C:\\windows\\system32\\tw64tool.exe");
    CRegistryLib lib;
    ScanOnly(lib, ScanSelection::kAppPaths);
    CHECK(Records(lib, "tw-shared.exe").size() == 1);
    CHECK(Records(lib, "tw-native.exe").empty());
    for (const char* name : {"tw-shared.exe", "tw-native.exe"}) tw::DeleteKeyInView(HKEY_LOCAL_MACHINE, paths + name, k64);
}

TEST_CASE("a shortcut's target is looked for without file-system redirection") {
    PlantSystemFile("tw64link.dll", true);
    testreg::MakeFolders("C:\\tw-links");
    testlink::MakeLink("C:\\tw-links\\native.lnk", "C:\\windows\\system32\\tw64link.dll");
    testlink::MakeLink("C:\\tw-links\\broken.lnk", "C:\\windows\\system32\\tw-no-such.dll");
    CShortcut shortcuts;
    shortcuts.CheckLinkFile("C:\\tw-links\\native.lnk");
    shortcuts.CheckLinkFile("C:\\tw-links\\broken.lnk");
    REQUIRE(shortcuts.BrokenCount() == 1);
    CHECK(shortcuts.Path(0) == "C:\\tw-links\\broken.lnk");
    testlink::RemoveTree("C:\\tw-links");
}

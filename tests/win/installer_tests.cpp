// The real installer, run silently the way an administrator deploys it, then the silent uninstall.
// Runs in a prefix of its own (packaging/installer-test.sh): it installs into Program Files, adds a
// Start-menu shortcut and an uninstall entry that the other tests' scans must never meet.
#include "doctest.h"

#include "Version.h"
#include "test_process.h"
#include "test_registry.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidewarp";
const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tidewarp";

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool Exists(const std::string& path) { return testreg::FileExists(path); }

std::string HklmValue(const char* keyPath, const char* name, DWORD* type = nullptr) {
    char data[MAX_PATH] = "";
    DWORD size = sizeof data - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return std::string(data, type && *type == REG_DWORD ? size : std::strlen(data));
}

std::string UninstallValue(const char* name) { return HklmValue(kUninstallKey, name); }

// An event's text as the log viewer shows it: the message of the source's message file, with the
// insertion strings put in.
std::string EventText(const std::string& messageFile, DWORD id, std::vector<const char*> strings) {
    HMODULE module = LoadLibraryExA(messageFile.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "(no message file)";
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   module, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<char*>(&text), 0,
                   reinterpret_cast<va_list*>(const_cast<char**>(strings.data())));
    std::string out = text ? text : "(no message)";
    LocalFree(text);
    FreeLibrary(module);
    return out;
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// The link's target and its "Start in" folder.
void ReadLink(const std::string& linkPath, std::string& target, std::string& workingDir) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char buffer[MAX_PATH] = "";
    std::wstring wide(linkPath.begin(), linkPath.end());
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
        if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, 0))) target = buffer;
        if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) workingDir = buffer;
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
}

// A string of the program's version resource, such as "ProductName".
std::string VersionString(const std::string& exe, const char* name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    std::string data(size, '\0');
    if (!size || !GetFileVersionInfoA(exe.c_str(), 0, size, &data[0])) return "";
    void* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(&data[0], query.c_str(), &value, &length) || !length) return "";
    return static_cast<const char*>(value);
}

std::string Manifest(const std::string& exe) {
    std::string text;
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return text;
    if (HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
        text.assign(static_cast<const char*>(LockResource(LoadResource(module, res))), SizeofResource(module, res));
    FreeLibrary(module);
    return text;
}

// The installer's path in the prefix's Z: drive, from the path CMake gave.
std::string SetupPath() {
    const char* unixPath = std::getenv("TW_SETUP");
    REQUIRE(unixPath != nullptr);
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

#ifdef TW_WINDOW_PROGRAM
// Starts exe in folder, waits for its window "Tidewarp" to show and answer, then chooses the tray
// menu's Exit. True when the window came and the program ended within the time.
bool StartAndExitWindowProgram(const std::string& exe, const std::string& folder) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        HWND found = FindWindowA(nullptr, "Tidewarp");
        DWORD_PTR answer = 0;
        if (found && IsWindowVisible(found) &&
            SendMessageTimeoutA(found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))
            window = found;
        else
            Sleep(100);
    }
    if (window) PostMessageA(window, WM_COMMAND, 32773 /* the tray's Exit */, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return window && ended;
}
#endif

}  // namespace

TEST_CASE("the silent installer installs Tidewarp and the silent uninstaller removes it, keeping the backups") {
    const std::string dir = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Tidewarp";
    const std::string link = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tidewarp.lnk";
    const std::string files[] = {
#ifdef TW_WINDOW_PROGRAM
        "tidewarp.exe",
#endif
        "tidewarp-cli.exe", "skin3.swf", "help.html", "uninstall.exe"};

    REQUIRE(testproc::RunCommand("\"" + SetupPath() + "\" /S").exitCode == 0);
    for (const std::string& f : files) CHECK_MESSAGE(Exists(dir + "\\" + f), f);

    std::string target, workingDir;
    ReadLink(link, target, workingDir);
    CHECK(SameText(target, dir + "\\" TW_MAIN_PROGRAM));
    CHECK(SameText(workingDir, dir));

    CHECK(UninstallValue("UninstallString") == "\"" + dir + "\\uninstall.exe\"");
    CHECK(UninstallValue("DisplayVersion") == TW_VERSION);

    // The event source, and the texts its message file gives the events (log collectors key on
    // these numbers: they never change).
    DWORD type = 0;
    const std::string messageFile = HklmValue(kEventSourceKey, "EventMessageFile", &type);
    CHECK(SameText(messageFile, dir + "\\tidewarp-cli.exe"));
    CHECK(type == REG_EXPAND_SZ);
    const std::string types = HklmValue(kEventSourceKey, "TypesSupported", &type);
    CHECK((type == REG_DWORD && types == std::string("\x07\0\0\0", 4)));
    CHECK(EventText(messageFile, 0x40000001, {"7", "3", "2", "1", "2026-12-08_10-00-00.reg"}) ==
          "Tidewarp removed 7 entries. 3 were kept in place: 2 of them were moved to the ignore list, 1 were left "
          "because the backup could not hold them whole.\r\nBackup: 2026-12-08_10-00-00.reg\r\n");
    CHECK(EventText(messageFile, 0xC0000002, {"4", "No room."}) ==
          "Tidewarp could not write its backup and removed nothing; 4 entries were to be removed.\r\nNo room.\r\n");
    CHECK(EventText(messageFile, 0x80000003, {"Stopped."}) == "Tidewarp removed nothing: Stopped.\r\n");
    CHECK(EventText(messageFile, 0x40000004, {"b.reg", "5", "1", "2", "3", "4"}) ==
          "Tidewarp restored the backup b.reg: 5 registry entries written, 1 keys and 2 values failed; 3 shortcut "
          "files put back, 4 not put back.\r\n");
    CHECK(EventText(messageFile, 0xC0000005, {"b.reg", "Damaged."}) ==
          "Tidewarp did not restore the backup b.reg: Damaged.\r\n");
    CHECK(EventText(messageFile, 0x40000006, {"s.xml"}) == "Tidewarp applied the snapshot s.xml to the registry.\r\n");
    CHECK(EventText(messageFile, 0xC0000007, {"s.xml", "Cut."}) ==
          "Tidewarp did not apply the snapshot s.xml whole: Cut.\r\n");

    struct {
        const char* exe;
        const char* level;
    } programs[] = {
#ifdef TW_WINDOW_PROGRAM
        {"tidewarp.exe", "level=\"requireAdministrator\""},
#endif
        {"tidewarp-cli.exe", "level=\"asInvoker\""}};
    for (const auto& p : programs) {
        CAPTURE(p.exe);
        const std::string exe = dir + "\\" + p.exe;
        CHECK(VersionString(exe, "ProductName") == "Tidewarp");
        CHECK(VersionString(exe, "ProductVersion") == TW_VERSION);
        const std::string manifest = Manifest(exe);
        CHECK(manifest.find(p.level) != std::string::npos);
        CHECK(manifest.find("Microsoft.Windows.Common-Controls") != std::string::npos);
    }

    // The installed program starts from its folder, and its scan of uninstall entries passes over
    // the new one.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    REQUIRE(SetCurrentDirectoryA(dir.c_str()));
    testproc::Result version = testproc::RunCommand("\"" + dir + "\\tidewarp-cli.exe\" --version");
    testproc::Result scan = testproc::RunCommand("\"" + dir + "\\tidewarp-cli.exe\" scan --categories Uninstall --json");
    SetCurrentDirectoryA(previous);
    CHECK(version.exitCode == 0);
    CHECK(version.out.find("tidewarp-cli " TW_VERSION "\r\n") == 0);
    CHECK(scan.out.find("\"summaries\":[{\"title\"") != std::string::npos);
    CHECK(scan.out.find("Tidewarp") == std::string::npos);
#ifdef TW_WINDOW_PROGRAM
    // The Start-menu link starts the window program in its folder; the tray's Exit ends it.
    CHECK(StartAndExitWindowProgram(target, workingDir));
#endif

    // The user's files in the installed folder outlive the uninstall.
    testreg::MakeFolders(dir + "\\Registry Backups");
    testreg::WriteFile(dir + "\\Registry Backups\\backup.bak", "backup");
    testreg::WriteFile(dir + "\\ignore.lst", "");
    // The uninstaller hands over to a copy of itself in the temporary folder and returns at once;
    // that copy deletes the uninstaller last. On a busy machine the uninstaller may not have ended
    // by then: holding it open for a while, as a running program is held, must not leave it behind.
    HANDLE held = CreateFileA((dir + "\\uninstall.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    REQUIRE(testproc::RunCommand("\"" + dir + "\\uninstall.exe\" /S").exitCode == 0);
    Sleep(1500);
    CHECK(Exists(dir + "\\uninstall.exe"));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    for (int i = 0; i < 600 && Exists(dir + "\\uninstall.exe"); ++i) Sleep(100);
    for (const std::string& f : files) CHECK_MESSAGE(!Exists(dir + "\\" + f), f);
    CHECK(!Exists(link));
    CHECK(!testreg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    CHECK(!testreg::KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
    CHECK(Exists(dir + "\\Registry Backups\\backup.bak"));
    CHECK(Exists(dir + "\\ignore.lst"));
}

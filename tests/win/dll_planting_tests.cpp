// A DLL planted beside the programs (a portable copy in a folder others can write to) never runs
// inside them, even when Wine is told to prefer a DLL found there; GDI+ still decodes the movie.
#include "doctest.h"

#include "platform/DllSearch.h"
#include "skin/GifFrames.h"
#include "test_process.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const char kFolder[] = "planted";  // in the test's own working folder

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Asks a running process to load gdiplus.dll by name, as any code in it might; its module or null.
DWORD LoadByNameIn(HANDLE process) {
    const wchar_t name[] = L"gdiplus.dll";
    void* remote = VirtualAllocEx(process, nullptr, sizeof name, MEM_COMMIT, PAGE_READWRITE);
    REQUIRE(remote != nullptr);
    REQUIRE(WriteProcessMemory(process, remote, name, sizeof name, nullptr));
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    REQUIRE(thread != nullptr);
    WaitForSingleObject(thread, 10000);
    DWORD module = 0;
    GetExitCodeThread(thread, &module);
    CloseHandle(thread);
    return module;
}

HWND WindowOf(DWORD pid, const char* caption, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100, Sleep(100)) {
        HWND w = FindWindowA(nullptr, caption);
        DWORD owner = 0;
        if (w) GetWindowThreadProcessId(w, &owner);
        if (w && owner == pid) return w;
    }
    return nullptr;
}

// Runs a command line and waits at most a minute for it; its exit code, or -1.
int RunBounded(std::string cmd) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// A two-frame GIF of 1 x 1 pixels.
std::string TinyGif() {
    std::string g("GIF89a\1\0\1\0\x80\0\0\0\0\0\xff\xff\xff", 19);
    for (char colour : {'\x44', '\x4c'}) {
        g += std::string("\x21\xf9\4\0\x0a\0\0\0", 8);
        g += std::string("\x2c\0\0\0\0\1\0\1\0\0\2\2", 12) + colour + std::string("\1\0", 2);
    }
    return g + ";";
}

}  // namespace

// Run by the next case as a copy of this program beside a planted gdiplus.dll.
TEST_CASE("planted child: the movie decodes after the entry point's restriction") {
    if (!std::getenv("TW_PLANTED_CHILD")) return;
    SetErrorMode(SEM_NOGPFAULTERRORBOX);  // a crash ends the child; no debugger waits on it
    tw::RestrictDllSearch();
    CHECK(DecodeGifFrames(TinyGif(), 8, 8, RGB(255, 0, 255)).size() == 2);
}

TEST_CASE("a gdiplus.dll beside the programs never loads, even where a native one is preferred") {
    const char* planted = std::getenv("TW_PLANTED_DLL");
    REQUIRE(planted != nullptr);
    CreateDirectoryA(kFolder, nullptr);
    const std::string folder = std::string(kFolder) + "\\";
    const std::string marker = folder + "gdiplus.dll.loaded";
    REQUIRE(CopyFileA(planted, (folder + "gdiplus.dll").c_str(), FALSE));
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (const std::string exe : {"tidewarp.exe", "tidewarp-cli.exe"})
        REQUIRE(CopyFileA((testproc::ProgramFolder() + "\\" + exe).c_str(), (folder + exe).c_str(), FALSE));
    REQUIRE(CopyFileA(self, (folder + "child.exe").c_str(), FALSE));
    DeleteFileA(marker.c_str());
    // Set for this test (the programs it starts inherit it): Wine then loads a gdiplus.dll it finds
    // before the system's own.
    char overrides[512] = "";
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    REQUIRE(std::string(overrides).find("gdiplus=n,b") != std::string::npos);

    SUBCASE("the console program") {
        CHECK(testproc::RunCommand(folder + "tidewarp-cli.exe --version").exitCode == 0);
        CHECK_FALSE(Exists(marker));
    }
    SUBCASE("GIF decoding, after the restriction both programs make first") {
        SetEnvironmentVariableA("TW_PLANTED_CHILD", "1");
        const int child = RunBounded(folder + "child.exe \"-tc=planted child*\"");
        SetEnvironmentVariableA("TW_PLANTED_CHILD", nullptr);
        CHECK(child == 0);
        CHECK_FALSE(Exists(marker));
    }
    SUBCASE("the window program, also when it loads gdiplus.dll by name") {
        std::string cmd = folder + "tidewarp.exe";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        REQUIRE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        CHECK(WindowOf(pi.dwProcessId, "Tidewarp", 30000) != nullptr);
        CHECK_FALSE(Exists(marker));
        CHECK(LoadByNameIn(pi.hProcess) != 0);  // the system's GDI+
        CHECK_FALSE(Exists(marker));
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

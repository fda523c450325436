#include "test_process.h"

#include "test_registry.h"

#include <windows.h>

namespace testproc {

namespace {

// Every JSON document a program prints is kept in the prefix's "C:\tidewarp-reports", where a
// later test checks them all against the report schema.
void KeepReport(const std::string& out) {
    if (out.empty() || out[0] != '{') return;
    static int kept = 0;
    const char folder[] = "C:\\tidewarp-reports";
    CreateDirectoryA(folder, nullptr);
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string name(exe, n);
    name = name.substr(name.find_last_of('\\') + 1);
    name = std::string(folder) + "\\" + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++kept) + ".json";
    testreg::WriteFile(name, out);
}

}  // namespace

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

Result Run(const std::string& exe, const std::string& args) {
    return RunCommand("\"" + ProgramFolder() + "\\" + exe + "\" " + args);
}

Result RunCommand(const std::string& commandLine) {
    Result r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    // Fresh names every time: a service the child starts (COM brings up Wine's rpcss) inherits the
    // handles and may keep an earlier pair of files open after the child is gone.
    static int runs = 0;
    ++runs;
    const std::string outName = "child-" + std::to_string(runs) + ".out";
    const std::string errName = "child-" + std::to_string(runs) + ".err";
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE out = CreateFileA(outName.c_str(), GENERIC_WRITE, share, &sa, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errName.c_str(), GENERIC_WRITE, share, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        r.exitCode = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    r.out = testreg::ReadFile(outName);
    r.err = testreg::ReadFile(errName);
    KeepReport(r.out);
    DeleteFileA(outName.c_str());
    DeleteFileA(errName.c_str());
    return r;
}

}  // namespace testproc

#include "test_process.h"

#include "test_registry.h"

#include <windows.h>

namespace testproc {

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

Result Run(const std::string& exe, const std::string& args) {
    Result r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    const char* outName = "child.out";
    const char* errName = "child.err";
    HANDLE out = CreateFileA(outName, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errName, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + ProgramFolder() + "\\" + exe + "\" " + args;
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
    DeleteFileA(outName);
    DeleteFileA(errName);
    return r;
}

}  // namespace testproc

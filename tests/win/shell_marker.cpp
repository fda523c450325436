// Stands for the program a user has chosen for web pages and mail addresses: notes which process
// started it and what it was asked to open, one line "<parent id> <command line>" appended to
// "runs.txt" beside itself.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

int main() {
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string runs = self;
    runs = runs.substr(0, runs.rfind('\\') + 1) + "runs.txt";
    if (FILE* f = std::fopen(runs.c_str(), "a")) {
        std::fprintf(f, "%lu %s\n", static_cast<unsigned long>(parent), GetCommandLineA());
        std::fclose(f);
    }
    return 0;
}

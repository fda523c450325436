#include "bench/WindowProbe.h"

#include "bench/BenchSupport.h"

#include <commctrl.h>
#include <psapi.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace bench {

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Start(const std::string& exe, const std::string& args, Child& child) {
    const std::string path = exe.find(':') != std::string::npos ? exe : ProgramFolder() + "\\" + exe;
    std::string command = "\"" + path + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    child.started = Now();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    child.process.reset(pi.hProcess);
    child.id = pi.dwProcessId;
    return true;
}

namespace {

struct WindowSearch {
    DWORD process;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !IsWindowVisible(window)) return TRUE;
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

struct DescendantSearch {
    const char* className;
    int width;
    int height;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DescendantSearch*>(param);
    RECT r{};
    GetWindowRect(window, &r);
    if (r.right - r.left != search->width || r.bottom - r.top != search->height) return TRUE;
    if (search->className) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpiA(name, search->className) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindVisibleWindow(DWORD process, const char* title) {
    WindowSearch search{process, title, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double Ping(HWND window, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    double t0 = Now();
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer)) return -1;
    return Now() - t0;
}

double WaitInteractive(const Child& child, const char* title, double timeoutSeconds, HWND* window) {
    while (Now() - child.started < timeoutSeconds) {
        if (WaitForSingleObject(child.process.get(), 0) == WAIT_OBJECT_0) return -1;
        HWND found = FindVisibleWindow(child.id, title);
        if (found && Ping(found, 10000) >= 0) {
            double seconds = Now() - child.started;
            if (window) *window = found;
            return seconds;
        }
        Sleep(1);
    }
    return -1;
}

bool Close(Child& child, HWND window, UINT msg, WPARAM wp, double timeoutSeconds) {
    if (!child.process) return true;
    if (window) PostMessageA(window, msg, wp, 0);
    bool ended = WaitForSingleObject(child.process.get(), static_cast<DWORD>(timeoutSeconds * 1000)) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(child.process.get(), 1);
        WaitForSingleObject(child.process.get(), 5000);
    }
    child.process.reset();
    return ended;
}

SIZE_T WorkingSet(HANDLE process, SIZE_T* peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
    if (peak) *peak = counters.PeakWorkingSetSize;
    return counters.WorkingSetSize;
}

HWND FindDescendant(HWND top, const char* className, int width, int height) {
    DescendantSearch search{className, width, height, nullptr};
    EnumChildWindows(top, MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ListCount(HWND list, UINT timeoutMs) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, timeoutMs, &count)) return -1;
    return static_cast<int>(count);
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[rank == 0 ? 0 : std::min(rank, values.size()) - 1];
}

// ---- Prober ------------------------------------------------------------------------------------

namespace {
constexpr UINT kProbeTimeoutMs = 10000;
}

Prober::Prober(HWND window, double period, double offset)
    : window_(window), period_(period), offset_(offset), thread_([this] { Run(); }) {}

Prober::~Prober() { Stop(); }

std::vector<Prober::Sample> Prober::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return samples_;
}

std::vector<double> Prober::Between(const std::vector<Sample>& samples, double from, double to) {
    std::vector<double> out;
    for (const Sample& s : samples)
        if (s.sent >= from && s.sent < to) out.push_back(s.seconds);
    return out;
}

void Prober::Run() {
    const double first = Now() + offset_;
    double next = first;
    while (!stop_) {
        double now = Now();
        if (now < next) {
            Sleep(static_cast<DWORD>((next - now) * 1000));
            continue;
        }
        double seconds = Ping(window_, kProbeTimeoutMs);
        samples_.push_back({now, seconds < 0 ? kProbeTimeoutMs / 1000.0 : seconds});
        // The next free slot of the schedule.
        next = first + std::floor((Now() - first) / period_ + 1) * period_;
    }
}

// ---- PlantedClasses ----------------------------------------------------------------------------

namespace {
constexpr char kClassPrefix[] = "{7DBE0013-BE7C-4000-8000-";
constexpr char kMissingFolder[] = "C:\\tidewarp-bench-missing\\";

void DeleteClass(HKEY clsid, const std::string& name) {
    RegDeleteKeyA(clsid, (name + "\\InprocServer32").c_str());
    RegDeleteKeyA(clsid, name.c_str());
}
}  // namespace

std::string PlantedClasses::Name(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%012d}", kClassPrefix, i);
    return buf;
}

void PlantedClasses::RemoveAll() {
    tw::UniqueHKey clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE, clsid.put()) != ERROR_SUCCESS) return;
    std::vector<std::string> ours;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(clsid.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::strncmp(name, kClassPrefix, sizeof kClassPrefix - 1) == 0) ours.emplace_back(name);
    }
    for (const std::string& n : ours) DeleteClass(clsid.get(), n);
}

PlantedClasses::PlantedClasses(int count) {
    RemoveAll();
    double t0 = Now();
    tw::UniqueHKey clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE, clsid.put()) != ERROR_SUCCESS) return;
    for (int i = 0; i < count; ++i) {
        tw::UniqueHKey server;
        if (RegCreateKeyExA(clsid.get(), (Name(i) + "\\InprocServer32").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            server.put(), nullptr) != ERROR_SUCCESS)
            break;
        std::string file = kMissingFolder + std::string("class") + std::to_string(i) + ".dll";
        RegSetValueExA(server.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                       static_cast<DWORD>(file.size() + 1));
        ++planted_;
    }
    seconds_ = Now() - t0;
}

PlantedClasses::~PlantedClasses() {
    tw::UniqueHKey clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE, clsid.put()) != ERROR_SUCCESS) return;
    for (int i = 0; i < planted_; ++i) DeleteClass(clsid.get(), Name(i));
}

}  // namespace bench

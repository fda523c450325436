// tidewarp.exe from outside, as a user and scripted checks meet it: one copy at a time, the word
// "scan", a real mouse click on the exit button, and the statistics it leaves in the registry.
#include "doctest.h"

#include "test_process.h"
#include "test_registry.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kSettings[] = "Software\\TIDEWARP";
const RECT kExitButton{466, 19, 466 + 14, 19 + 14};  // where the shipped skin puts BUTTON_EXIT

// A copy of tidewarp.exe started in the test's folder; killed if a check left it running.
class Program {
public:
    explicit Program(const std::string& args) {
        std::string cmd = "\"" + testproc::ProgramFolder() + "\\tidewarp.exe\"" + (args.empty() ? "" : " " + args);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            pi_ = PROCESS_INFORMATION{};
    }
    ~Program() {
        if (pi_.hProcess && Running()) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        if (pi_.hProcess) CloseHandle(pi_.hProcess);
        if (pi_.hThread) CloseHandle(pi_.hThread);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    bool Ends(DWORD ms) const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }

    // The visible top-level window of this copy with that caption (and class, when given).
    HWND Window(const char* caption, const char* className = nullptr, DWORD ms = 30000) const;

private:
    PROCESS_INFORMATION pi_{};
};

BOOL CALLBACK Collect(HWND w, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(w);
    return TRUE;
}

std::vector<HWND> Windows(HWND parent = nullptr) {
    std::vector<HWND> windows;
    if (parent)
        EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    else
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string Text(HWND w) {
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

std::string ClassOf(HWND w) {
    char name[256] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

HWND Program::Window(const char* caption, const char* className, DWORD ms) const {
    for (DWORD waited = 0; waited < ms && Running(); waited += 100, Sleep(100)) {
        for (HWND w : Windows()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pi_.dwProcessId && IsWindowVisible(w) && Text(w) == caption &&
                (!className || ClassOf(w) == className))
                return w;
        }
    }
    return nullptr;
}

// The child window whose rectangle in its parent's client area is exactly `rect`.
HWND ChildAt(HWND parent, const RECT& rect) {
    for (HWND w : Windows(parent)) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        if (GetParent(w) == parent && EqualRect(&r, &rect)) return w;
    }
    return nullptr;
}

// A real left click in the middle of the window, through the system's input queue.
void Click(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    SetForegroundWindow(GetAncestor(w, GA_ROOT));
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Sleep(100);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

// Clicks BUTTON_EXIT of a running copy's main window; true when the process then ends.
bool ExitByClick(const Program& program) {
    HWND main = program.Window("Tidewarp");
    REQUIRE(main != nullptr);
    HWND exit = ChildAt(main, kExitButton);
    REQUIRE(exit != nullptr);
    Click(exit);
    return program.Ends(30000);
}

// The list views of the window that hold rows, waiting until one does.
std::vector<HWND> FilledLists(HWND main, DWORD ms) {
    std::vector<HWND> lists;
    for (DWORD waited = 0; lists.empty() && waited < ms; waited += 200, Sleep(200))
        for (HWND w : Windows(main))
            if (ClassOf(w) == "SysListView32" && SendMessageA(w, LVM_GETITEMCOUNT, 0, 0) > 0) lists.push_back(w);
    return lists;
}

bool ReadValue(const char* name, DWORD& type, std::string& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buf[256];
    DWORD size = sizeof buf;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    data.assign(buf, rc == ERROR_SUCCESS ? size : 0);
    return rc == ERROR_SUCCESS;
}

DWORD ReadDword(const char* name) {
    DWORD type = 0;
    std::string data;
    REQUIRE(ReadValue(name, type, data));
    REQUIRE(type == REG_DWORD);
    REQUIRE(data.size() == 4);
    return *reinterpret_cast<const DWORD*>(data.data());
}

std::string LastScanText(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d", t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute);
    return text;
}

}  // namespace

TEST_CASE("one copy at a time; closing by the exit button writes the statistics") {
    testreg::ScratchKey settings(HKEY_LOCAL_MACHINE, kSettings);
    testreg::SetBytes(HKEY_LOCAL_MACHINE, kSettings, "totalscan", REG_DWORD, {7, 0, 0, 0});
    testreg::SetString(HKEY_LOCAL_MACHINE, kSettings, "totalerrorrem", "12");  // mistyped: counts as 0

    Program first("");
    REQUIRE(first.Window("Tidewarp") != nullptr);

    Program second("");
    HWND box = second.Window("Error", "#32770");
    REQUIRE(box != nullptr);
    std::string shown;
    for (HWND w : Windows(box))
        if (lstrcmpiA(ClassOf(w).c_str(), "Static") == 0 && !Text(w).empty()) shown = Text(w);
    CHECK(shown == "An instance of Tidewarp is already running");
    HWND ok = GetDlgItem(box, IDOK);
    REQUIRE(ok != nullptr);
    SendMessageA(ok, BM_CLICK, 0, 0);
    CHECK(second.Ends(10000));
    CHECK(first.Running());

    SYSTEMTIME before, after;
    GetLocalTime(&before);
    CHECK(ExitByClick(first));
    GetLocalTime(&after);
    CHECK(ReadDword("totalscan") == 7);
    CHECK(ReadDword("totalerrorrem") == 0);
    DWORD type = 0;
    std::string lastScan;
    REQUIRE(ReadValue("lastscan", type, lastScan));
    CHECK(type == REG_SZ);
    CHECK((lastScan == LastScanText(before) + '\0' || lastScan == LastScanText(after) + '\0'));
}

TEST_CASE("exactly the word \"scan\" starts a scan") {
    testreg::ScratchKey settings(HKEY_LOCAL_MACHINE, kSettings);
    testreg::SetBytes(HKEY_LOCAL_MACHINE, kSettings, "totalscan", REG_DWORD, {7, 0, 0, 0});
    for (const auto& [args, scans] : {std::pair<const char*, DWORD>{"Scan", 0}, {"scan x", 0}, {"scan", 1}}) {
        CAPTURE(args);
        const DWORD was = ReadDword("totalscan");
        Program program(args);
        CHECK(ExitByClick(program));  // a scan still running is stopped first
        CHECK(ReadDword("totalscan") == was + scans);
    }
}

// What the list shows is what a fix removes: a row that shows unticked must not go.
TEST_CASE("a scan lists what it found, every row ticked") {
    testreg::ScratchKey settings(HKEY_LOCAL_MACHINE, kSettings);
    testreg::ScratchKey broken(HKEY_CLASSES_ROOT, "CLSID\\{7D1DE0F1-0000-4000-8000-0000000APPRUN}");
    testreg::SetString(HKEY_CLASSES_ROOT, broken.Path() + "\\InprocServer32", "", "C:\\tidewarp-missing\\run.dll");
    Program program("scan");
    HWND main = program.Window("Tidewarp");
    REQUIRE(main != nullptr);
    const std::vector<HWND> lists = FilledLists(main, 60000);
    REQUIRE(lists.size() == 1);
    const int rows = static_cast<int>(SendMessageA(lists[0], LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        CAPTURE(row);
        CHECK(SendMessageA(lists[0], LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
    }
    CHECK(ExitByClick(program));
}

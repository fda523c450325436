#include "planted_errors.h"

namespace {
const std::string kM = "C:\\tidewarp-missing\\";
}  // namespace

const char kUninstall[] = "Software\\Microsoft\\Windows\\Currentversion\\Uninstall";
const char kWindows[] = "SOFTWARE\\Microsoft\\Windows";
const char kWineFonts[] =
    "C:\\windows\\fonts\\coure.fon\r\nfont\r\nC:\\windows\\fonts\\sserife.fon\r\nfont\r\n"
    "C:\\windows\\fonts\\serife.fon\r\nfont\r\nC:\\windows\\fonts\\smalle.fon\r\nfont\r\n";

std::string Here() {
    char here[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, here);
    return here;
}

int BackupCount() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("Registry Backups\\*.reg", &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

void PlantedErrors::Key(HKEY root, const std::string& path) {
    keys.push_back(std::make_unique<testreg::ScratchKey>(root, path));
}

void PlantedErrors::Value(const std::string& key, const std::string& name, const std::string& text) {
    planted.String(key, name, text);
    values.push_back({key, name});
}

PlantedErrors::PlantedErrors() {
    Key(HKEY_CLASSES_ROOT, clsid);
    testreg::SetString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "", kM + "fix.dll");
    testreg::SetString(HKEY_CLASSES_ROOT, clsid + "\\ProgID", "", "Tidewarp.Fix.1");
    testreg::CreateKey(HKEY_CLASSES_ROOT, clsid + "\\Implemented Categories\\{00000000-0000-0000-0000-000000000000}");
    Value("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", kM + "fix-shared.dll", "1");
    Value("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", "tidewarp.fix", "tidewarp-fix.drv");
    Key(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Help");
    testreg::SetString(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Help", "fix.hlp", kM);
    testreg::SetString(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Help", "", kM);  // its name is "(Default)"
    testreg::SetString(HKEY_LOCAL_MACHINE, std::string(kWindows) + "\\Help", "notepad.exe", "C:\\windows\\");  // present
    Key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TidewarpFix.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), "", kM + "fix.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path() + "\\SupportedTypes", ".fix", "");
    Key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpFix");
    testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), "Path", kM + "fix-tool.exe");
    Value("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Tidewarp Fix (TrueType)", "tidewarp-fix.ttf");
    Value("Software\\Microsoft\\Windows\\Currentversion\\Run", "TidewarpFix", kM + "fix-run.exe");
    Key(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\TidewarpFix");
    testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), "UninstallString", kM + "fix-uninst.exe");
    testreg::SetString(HKEY_LOCAL_MACHINE, keys.back()->Path(), "DisplayName", "Tidewarp Fix");
}

PerUserTwins::PerUserTwins() {
    Clean();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const bool user = root == HKEY_CURRENT_USER;
        testreg::SetString(root, app, "", user ? std::string(kMissing) + "app.exe" : kSound);
        testreg::SetString(root, run, kName, user ? std::string(kMissing) + "run.exe" : kSound);
        testreg::SetString(root, uninstall, "UninstallString", user ? std::string(kMissing) + "uninst.exe" : kSound);
        testreg::SetString(root, uninstall, "DisplayName", "Tidewarp per-user test");
    }
}

void PerUserTwins::Clean() const {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        testreg::DeleteTreeQuietly(root, app);
        testreg::DeleteTreeQuietly(root, uninstall);
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, run.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
        RegDeleteValueA(key, kName);
        RegCloseKey(key);
    }
}

#include "tools/demo/DemoPlanter.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/IgnoreFile.h"
#include "registry/RegistryLib.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace demo {
namespace {

// Nothing ever lies here, so everything that names this folder is broken.
const std::string kMissing = "C:\\TidewarpDemo\\Missing\\";
const std::string kLinkFolder = "C:\\TidewarpDemo";
const char kClass1[] = "CLSID\\{DE30DE30-0001-4000-8000-00000000DE30}";
const char kClass2[] = "CLSID\\{DE30DE30-0002-4000-8000-00000000DE30}";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kSharedTools[] = "SOFTWARE\\Microsoft\\Shared Tools\\";
const char kUninstall[] = "Software\\Microsoft\\Windows\\Currentversion\\Uninstall\\";

struct Value {
    HKEY root;
    std::string key;
    std::string name;  // empty: the key's default value
    std::string data;
    bool reported;        // a scan reports it; the others only complete their keys
    DWORD type = REG_SZ;  // REG_DWORD data is a decimal number
};

// Keys that belong to the demo alone: removed with everything below them.
std::vector<std::pair<HKEY, std::string>> OwnedKeys() {
    return {{HKEY_CLASSES_ROOT, kClass1},
            {HKEY_CLASSES_ROOT, kClass2},
            {HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "TidewarpDemoViewer.exe"},
            {HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "TidewarpDemoEditor.exe"},
            {HKEY_LOCAL_MACHINE, std::string(kSharedTools) + "TidewarpDemo Proofing"},
            {HKEY_LOCAL_MACHINE, std::string(kSharedTools) + "TidewarpDemo Graph"},
            {HKEY_LOCAL_MACHINE, std::string(kUninstall) + "TidewarpDemoViewer"},
            {HKEY_LOCAL_MACHINE, std::string(kUninstall) + "TidewarpDemoGames"}};
}

// Two broken entries of each category; the ones in keys the system shares are single values.
std::vector<Value> Values() {
    const HKEY cr = HKEY_CLASSES_ROOT, lm = HKEY_LOCAL_MACHINE;
    const std::string c1 = kClass1, c2 = kClass2, m = kMissing;
    const std::string shared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const std::string drivers = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
    const std::string help = "SOFTWARE\\Microsoft\\Windows\\Help";
    const std::string fonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\Run";
    const std::string app = kAppPaths, tools = kSharedTools, un = kUninstall;
    return {
        {cr, c1, "", "TidewarpDemo Viewer", false},
        {cr, c1 + "\\InprocServer32", "", m + "TidewarpDemoViewer.dll", true},
        {cr, c1 + "\\ProgID", "", "TidewarpDemo.Viewer.1", false},
        {cr, c2, "", "TidewarpDemo Server", false},
        {cr, c2 + "\\LocalServer32", "", "\"" + m + "TidewarpDemoServer.exe\" /automation", true},
        {lm, shared, m + "TidewarpDemoShared.dll", "1", true, REG_DWORD},
        {lm, shared, m + "TidewarpDemoCodec.dll", "2", true, REG_DWORD},
        {lm, drivers, "msacm.tidewarpdemo", "TidewarpDemoCodec.acm", true},
        {lm, drivers, "midi.tidewarpdemo", "TidewarpDemoSynth.drv", true},
        {lm, help, "TidewarpDemo.hlp", m, true},
        {lm, help, "TidewarpDemoTour.hlp", m, true},
        {lm, app + "TidewarpDemoViewer.exe", "", m + "TidewarpDemoViewer.exe", true},
        {lm, app + "TidewarpDemoEditor.exe", "", m + "Editor\\TidewarpDemoEditor.exe", true},
        {lm, tools + "TidewarpDemo Proofing", "Path", m + "TidewarpDemoSpell.dll", true},
        {lm, tools + "TidewarpDemo Graph", "Path", m + "TidewarpDemoGraph.exe", true},
        {lm, fonts, "TidewarpDemo Sans (TrueType)", "TidewarpDemoSans.ttf", true},
        {lm, fonts, "TidewarpDemo Serif (TrueType)", "TidewarpDemoSerif.ttf", true},
        {lm, run, "TidewarpDemoUpdater", "\"" + m + "TidewarpDemoUpdater.exe\" /background", true},
        {lm, run, "TidewarpDemoTray", m + "TidewarpDemoTray.exe", true},
        {lm, un + "TidewarpDemoViewer", "DisplayName", "TidewarpDemo Viewer", false},
        {lm, un + "TidewarpDemoViewer", "UninstallString", "\"" + m + "TidewarpDemoViewer\\uninstall.exe\"", true},
        {lm, un + "TidewarpDemoGames", "DisplayName", "TidewarpDemo Games", false},
        {lm, un + "TidewarpDemoGames", "UninstallString", m + "TidewarpDemoGames\\unins000.exe /SILENT", true},
    };
}

struct Link {
    std::string path;
    std::string target;
};

std::string DesktopFolder() {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

std::vector<Link> Links() {
    std::vector<Link> links = {{kLinkFolder + "\\TidewarpDemo Viewer.lnk", kMissing + "TidewarpDemoViewer.exe"},
                               {kLinkFolder + "\\TidewarpDemo Readme.lnk", kMissing + "TidewarpDemo Readme.txt"}};
    const std::string desktop = DesktopFolder();
    if (!desktop.empty()) links.push_back({desktop + "\\TidewarpDemo Notes.lnk", kMissing + "TidewarpDemo Notes.txt"});
    return links;
}

std::string RootName(HKEY root) { return root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE"; }

std::string Failure(const std::string& what, DWORD code) { return what + " (error " + std::to_string(code) + ")"; }

LONG SetValue(const Value& v) {
    tw::UniqueHKey key;
    LONG rc = RegCreateKeyExA(v.root, v.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const char* name = v.name.empty() ? nullptr : v.name.c_str();
    if (v.type == REG_DWORD) {
        DWORD n = std::stoul(v.data);
        return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
    }
    return RegSetValueExA(key.get(), name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.c_str()),
                          static_cast<DWORD>(v.data.size() + 1));
}

void DeleteValue(const Value& v) {
    tw::UniqueHKey key;
    if (RegOpenKeyExA(v.root, v.key.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), v.name.empty() ? nullptr : v.name.c_str());
}

HRESULT MakeLink(const Link& link) {
    tw::ComPtr<IShellLinkA> shellLink;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  shellLink.put_void());
    if (FAILED(hr)) return hr;
    shellLink->SetPath(link.target.c_str());
    shellLink->SetDescription("Tidewarp demo: a shortcut whose target is gone");
    tw::ComPtr<IPersistFile> file;
    hr = shellLink->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(hr)) return hr;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.path.c_str(), -1, wide, MAX_PATH);
    return file->Save(wide, TRUE);
}

// Drops demo items from the ignore list in the current folder, keeping every other line as it was.
int Unignore(std::string& error) {
    std::string bytes, unpaired;
    if (!tw::ReadWholeFile(kIgnoreFileName, bytes)) return 0;
    std::vector<ignorefile::Entry> kept;
    int dropped = 0;
    for (ignorefile::Entry& e : ignorefile::Parse(bytes, &unpaired)) {
        if (tw::Contains(tw::ToLower(e.item), "tidewarpdemo"))
            ++dropped;
        else
            kept.push_back(std::move(e));
    }
    if (dropped == 0) return 0;
    if (DWORD rc = tw::ReplaceFileContents(kIgnoreFileName, ignorefile::Serialize(kept, unpaired)))
        error = Failure(std::string("cannot rewrite ") + kIgnoreFileName, rc);
    return dropped;
}

struct Com {
    HRESULT hr = CoInitialize(nullptr);
    ~Com() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
};

}  // namespace

Outcome Remove() {
    Outcome out;
    for (const auto& [root, path] : OwnedKeys()) SHDeleteKeyA(root, path.c_str());
    for (const Value& v : Values()) DeleteValue(v);
    for (const Link& link : Links()) DeleteFileA(link.path.c_str());
    RemoveDirectoryA(kLinkFolder.c_str());  // only when nothing else was put there
    out.unignored = Unignore(out.error);
    return out;
}

Outcome Plant() {
    Outcome out = Remove();
    if (!out.error.empty()) return out;
    for (const Value& v : Values()) {
        if (LONG rc = SetValue(v)) {
            out.error = Failure("cannot write " + RootName(v.root) + "\\" + v.key, rc);
            return out;
        }
        if (v.reported) ++out.registryEntries;
    }
    Com com;
    if (!CreateDirectoryA(kLinkFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        out.error = Failure("cannot create " + kLinkFolder, GetLastError());
        return out;
    }
    for (const Link& link : Links()) {
        if (HRESULT hr = MakeLink(link); FAILED(hr)) {
            out.error = Failure("cannot save " + link.path, static_cast<DWORD>(hr));
            return out;
        }
        ++out.shortcuts;
    }
    return out;
}

}  // namespace demo

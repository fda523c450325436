#include "test_links.h"

#include "platform/Handles.h"

#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <stdexcept>

namespace testlink {
namespace {

struct Com {
    Com() { CoInitialize(nullptr); }
    ~Com() { CoUninitialize(); }
};

template <typename Link>
void Save(Link& link, const std::string& linkPath) {
    tw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) throw std::runtime_error("no IPersistFile");
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Save(wide, TRUE))) throw std::runtime_error("cannot save " + linkPath);
}

template <typename Link>
tw::ComPtr<Link> Create(REFIID iid) {
    tw::ComPtr<Link> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, iid, link.put_void())))
        throw std::runtime_error("no ShellLink object");
    return link;
}

}  // namespace

void MakeLink(const std::string& linkPath, const std::string& target) {
    Com com;
    auto link = Create<IShellLinkA>(IID_IShellLinkA);
    link->SetPath(target.c_str());
    Save(link, linkPath);
}

void MakeLinkWide(const std::string& linkPath, const std::wstring& target) {
    Com com;
    auto link = Create<IShellLinkW>(IID_IShellLinkW);
    link->SetPath(target.c_str());
    Save(link, linkPath);
}

void MakeLinkToShellFolder(const std::string& linkPath, int csidl) {
    Com com;
    auto link = Create<IShellLinkA>(IID_IShellLinkA);
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items))) throw std::runtime_error("no shell folder");
    link->SetIDList(items);
    CoTaskMemFree(items);
    Save(link, linkPath);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void Touch(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    CloseHandle(h);
}

}  // namespace testlink

namespace testunix {

std::string UnixPath(const std::string& windowsPath) {
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    static const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) throw std::runtime_error("not running under Wine");
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* name = unixName(wide);
    if (!name) throw std::runtime_error("no Unix path for " + windowsPath);
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

bool Start(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Wine cannot wait for a Unix process (its handle is not waitable), so the caller waits for the effect.
template <typename Done>
bool WaitFor(Done done, DWORD ms = 5000) {
    for (DWORD waited = 0; !done(); waited += 20) {
        if (waited >= ms) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace

void MakeFolderLink(const std::string& link, const std::string& target) {
    if (!Start("/bin/ln -s " + Quoted(UnixPath(target)) + " " + Quoted(UnixPath(link))) ||
        !WaitFor([&] { return Exists(link); }))
        throw std::runtime_error("cannot link " + link);
}

void RemoveLink(const std::string& link) {
    // The link's absence is no sign that rm has run: a name the caller has already deleted is absent
    // at once, and a late rm would then remove whatever the caller puts there next. rm leaves a
    // marker once it has finished, and that is what is awaited.
    const std::string marker = link + ".removed";
    DeleteFileA(marker.c_str());
    const std::string script = "rm -f '" + UnixPath(link) + "'; : > '" + UnixPath(marker) + "'";
    if (Start("/bin/sh -c " + Quoted(script)) && WaitFor([&] { return Exists(marker); }))
        DeleteFileA(marker.c_str());
}

BindMount::BindMount(const std::string& folder, const std::string& mountPoint, const std::string& entry)
    : mountPoint_(mountPoint), entry_(mountPoint + "\\" + entry) {
    mounted_ = Start("/bin/mount --bind " + Quoted(UnixPath(folder)) + " " + Quoted(UnixPath(mountPoint))) &&
               WaitFor([&] { return Exists(entry_); }, 2000);
}

BindMount::~BindMount() {
    if (mounted_ && Start("/bin/umount " + Quoted(UnixPath(mountPoint_)))) WaitFor([&] { return !Exists(entry_); });
}

}  // namespace testunix

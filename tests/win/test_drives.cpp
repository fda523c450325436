#include "test_drives.h"

#include <winioctl.h>

#include <cstring>
#include <vector>

namespace testdrive {

namespace {

// The mount manager's drive definition as Wine 8 takes it (IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE):
// a Unix folder after the fixed part; no folder drops the letter.
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool Define(char letter, UINT type, const std::string& unixFolder) {
    std::vector<char> buffer(sizeof(UnixDrive) + unixFolder.size() + 1, '\0');
    UnixDrive drive{};
    drive.size = static_cast<ULONG>(unixFolder.empty() ? sizeof drive : buffer.size());
    drive.type = type;
    drive.letter = static_cast<WCHAR>(letter);
    if (!unixFolder.empty()) drive.mountPointOffset = sizeof drive;
    std::memcpy(buffer.data(), &drive, sizeof drive);
    std::memcpy(buffer.data() + sizeof drive, unixFolder.c_str(), unixFolder.size());
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), drive.size, nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    return ok != FALSE;
}

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return {};
    char* unix = toUnix(wide);
    if (!unix) return {};
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

}  // namespace

MappedDrive::MappedDrive(char letter, UINT type, const std::string& folder) : letter_(letter) {
    if (letter < 'A' || letter > 'Z' || GetLogicalDrives() & (1u << (letter - 'A'))) return;  // never a letter in use
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string unix = UnixPath(folder);
    ok_ = !unix.empty() && Define(letter, type, unix);
}

MappedDrive::~MappedDrive() {
    if (ok_) Define(letter_, DRIVE_NO_ROOT_DIR, {});
}

char UnusedLetter() {
    const DWORD used = GetLogicalDrives();
    for (char c = 'K'; c <= 'Y'; ++c)
        if (!(used & (1u << (c - 'A')))) return c;
    return '?';
}

}  // namespace testdrive

#include "skin/PlainFile.h"

#include "platform/SystemFunction.h"

namespace skinfile {

namespace {

// Vista and later; declared here since the program builds for older systems too.
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using SetInfoFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
const int kFileDispositionInfo = 4;
const DWORD kVolumeNameDos = 0;  // FILE_NAME_NORMALIZED | VOLUME_NAME_DOS

std::string Lengthened(const std::string& path) {
    char full[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return path;
    char longer[MAX_PATH] = {};
    n = GetLongPathNameA(full, longer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string(full) : std::string(longer);
}

// The path the handle really reaches, in the form GetFullPathNameA gives. Links of the file system
// (and, under Wine, Unix links that show no reparse point) are resolved here. Empty when the
// system cannot say (before Vista, which has no symbolic links; a junction on the way to the file
// then goes unseen there).
std::string ReachedPath(HANDLE file) {
    static const FinalPathFn finalPath =
        tw::FindSystemFunction<FinalPathFn>("kernel32.dll", "GetFinalPathNameByHandleA");
    if (!finalPath) return {};
    char reached[MAX_PATH + 8] = {};
    const DWORD n = finalPath(file, reached, sizeof reached, kVolumeNameDos);
    if (n == 0 || n >= sizeof reached) return "?";  // cannot be compared: not taken as plain
    std::string path(reached, n);
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + path.substr(7);
    if (path.compare(0, 4, "\\\\?\\") == 0) return path.substr(4);
    return path;
}

bool Plain(HANDLE file, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (info.nNumberOfLinks != 1) return false;
    const std::string reached = ReachedPath(file);
    return reached.empty() || lstrcmpiA(reached.c_str(), Lengthened(path).c_str()) == 0;
}

}  // namespace

tw::UniqueFile OpenPlain(const std::string& path, DWORD access, DWORD share) {
    // The checks below read the file's attributes through the handle.
    tw::UniqueFile file(CreateFileA(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file && !Plain(file.get(), path)) {
        file.reset();
        SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    return file;
}

bool ReadPlain(const std::string& path, std::string& bytes, DWORD maxBytes) {
    bytes.clear();
    tw::UniqueFile file = OpenPlain(path, GENERIC_READ, FILE_SHARE_READ);
    if (!file) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || size > maxBytes) return false;
    bytes.resize(size);
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[done], size - done, &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

bool DeletePlain(const std::string& path) {
    static const SetInfoFn setInfo = tw::FindSystemFunction<SetInfoFn>("kernel32.dll", "SetFileInformationByHandle");
    if (!setInfo) return false;
    tw::UniqueFile file = OpenPlain(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!file) return false;
    BOOLEAN remove = TRUE;
    return setInfo(file.get(), kFileDispositionInfo, &remove, sizeof remove) != FALSE;
}

}  // namespace skinfile

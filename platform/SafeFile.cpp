#include "platform/SafeFile.h"

#include "platform/SystemFunction.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace tw {
namespace {

// Declared only for Vista and later; looked up by name so that the program still starts on XP,
// where the final-path check is skipped and deletes go by name after the checks.
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using SetFileInfoFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
using GenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
const int kFileRenameInfo = 3;  // FILE_INFO_BY_HANDLE_CLASS
const int kFileDispositionInfo = 4;
struct DispositionInfo {
    BOOLEAN deleteFile;
};

const DWORD kShareReading = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Where the system says an open file or folder is, without a trailing backslash; empty where it
// cannot say.
std::string FinalPath(HANDLE handle) {
    static const auto finalPath = FindSystemFunction<GetFinalPathFn>("kernel32.dll", "GetFinalPathNameByHandleA");
    if (!finalPath) return {};
    std::string path(MAX_PATH, '\0');
    DWORD n = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    if (n >= path.size()) {
        path.assign(n + 1, '\0');
        n = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    }
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = path.substr(0, slash + 1);  // "C:\" stays a root, not the drive's current folder
        name = path.substr(slash + 1);
    }
}

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

DWORD LastError(DWORD fallback) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

DWORD CheckedFolder::Open(const std::string& path) {
    path_ = FullPath(path.empty() ? "." : path);
    // No delete sharing: the folder can be neither renamed nor removed while it is held.
    handle_.reset(::CreateFileA(path_.c_str(), FILE_LIST_DIRECTORY, kShareReading, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle_) return LastError(ERROR_PATH_NOT_FOUND);
    final_ = FinalPath(handle_.get());
    return ERROR_SUCCESS;
}

DWORD CheckedFolder::OpenChild(const CheckedFolder& parent, const std::string& name, bool create) {
    handle_.reset();
    path_ = parent.PathOf(name);
    if (create && !CreateDirectoryA(path_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return LastError(ERROR_PATH_NOT_FOUND);
    UniqueFile folder(::CreateFileA(path_.c_str(), FILE_LIST_DIRECTORY, kShareReading, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return LastError(ERROR_PATH_NOT_FOUND);
    if (DWORD error = parent.Check(folder.get(), name, true)) return error;
    handle_ = std::move(folder);
    final_ = FinalPath(handle_.get());
    return ERROR_SUCCESS;
}

std::string CheckedFolder::PathOf(const std::string& name) const { return Join(path_, name); }

DWORD CheckedFolder::Check(HANDLE handle, const std::string& name, bool folder) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return LastError(ERROR_ACCESS_DENIED);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return kLinkRefused;
    if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder)
        return folder ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
    if (!folder && info.nNumberOfLinks > 1) return kLinkRefused;
    if (!final_.empty()) {
        // A link the system follows without saying so leads out of this folder or to another name.
        const std::string actual = FinalPath(handle);
        if (!actual.empty() && lstrcmpiA(actual.c_str(), Join(final_, name).c_str()) != 0) return kLinkRefused;
    }
    return ERROR_SUCCESS;
}

DWORD CheckedFolder::OpenExisting(const std::string& name, DWORD access, UniqueFile& file) const {
    const DWORD share = (access & GENERIC_WRITE) ? FILE_SHARE_READ : kShareReading;
    file.reset(::CreateFileA(PathOf(name).c_str(), access, share, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return LastError(ERROR_FILE_NOT_FOUND);
    if (DWORD error = Check(file.get(), name, false)) {
        file.reset();
        return error;
    }
    return ERROR_SUCCESS;
}

DWORD CheckedFolder::OpenAlways(const std::string& name, DWORD access, UniqueFile& file) const {
    // Never OPEN_ALWAYS itself: a system that follows a dangling link would create its target.
    for (int tries = 0; tries < 3; ++tries) {
        DWORD error = OpenExisting(name, access, file);
        if (error != ERROR_FILE_NOT_FOUND) return error;
        file.reset(::CreateFileA(PathOf(name).c_str(), access, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return ERROR_SUCCESS;
        if (GetLastError() != ERROR_FILE_EXISTS) return LastError(ERROR_CANNOT_MAKE);
    }
    return ERROR_FILE_EXISTS;
}

DWORD CheckedFolder::CreateNew(const std::string& name, UniqueFile& file) const {
    file.reset(::CreateFileA(PathOf(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : LastError(ERROR_CANNOT_MAKE);
}

DWORD CheckedFolder::Delete(const std::string& name) const {
    static const auto setInfo = FindSystemFunction<SetFileInfoFn>("kernel32.dll", "SetFileInformationByHandle");
    const std::string path = PathOf(name);
    UniqueFile file(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return LastError(ERROR_FILE_NOT_FOUND);
    if (DWORD error = Check(file.get(), name, false)) return error;
    if (setInfo) {
        DispositionInfo dispose{TRUE};
        return setInfo(file.get(), kFileDispositionInfo, &dispose, sizeof dispose) ? ERROR_SUCCESS
                                                                                  : LastError(ERROR_ACCESS_DENIED);
    }
    file.reset();
    return DeleteFileA(path.c_str()) ? ERROR_SUCCESS : LastError(ERROR_ACCESS_DENIED);
}

const std::string& ProcessNameToken() {
    static std::once_flag once;
    static std::string token;
    std::call_once(once, [] {
        unsigned char bytes[8] = {};
        // RtlGenRandom, exported by advapi32 (always loaded here) as SystemFunction036.
        const auto random = FindSystemFunction<GenRandomFn>("advapi32.dll", "SystemFunction036");
        if (!random || !random(bytes, sizeof bytes)) {
            // Without the system's source the name is guessable; CREATE_NEW still never follows a
            // link, so a planted name makes the write fail rather than go astray.
            LARGE_INTEGER counter;
            QueryPerformanceCounter(&counter);
            const unsigned long long mixed = (static_cast<unsigned long long>(counter.QuadPart) << 16) ^
                                             GetCurrentProcessId() ^ GetTickCount();
            for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(mixed >> (8 * i));
        }
        static const char kHex[] = "0123456789abcdef";
        for (unsigned char b : bytes) {
            token += kHex[b >> 4];
            token += kHex[b & 15];
        }
    });
    return token;
}

std::string TemporaryNameFor(const std::string& name) { return name + "." + ProcessNameToken() + ".tmp"; }

DWORD OpenOwnFile(const std::string& path, DWORD access, UniqueFile& file) {
    std::string folder, name;
    SplitPath(path, folder, name);
    CheckedFolder where;
    if (DWORD error = where.Open(folder)) return error;
    return where.OpenExisting(name, access, file);
}

DWORD DeleteOwnFile(const std::string& path) {
    std::string folder, name;
    SplitPath(path, folder, name);
    CheckedFolder where;
    if (DWORD error = where.Open(folder)) return error;
    return where.Delete(name);
}

namespace {

bool Unsupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_INVALID_NAME;
}

// Renames an open file through its handle: 0, a Win32 error, or ERROR_NOT_SUPPORTED when the system
// takes no rename of this form. With a root, `name` is relative to that folder's handle.
DWORD RenameByHandle(HANDLE file, HANDLE root, const std::string& name, bool replace) {
    static const auto setInfo = FindSystemFunction<SetFileInfoFn>("kernel32.dll", "SetFileInformationByHandle");
    const int length = MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    if (!setInfo || length <= 0) return ERROR_NOT_SUPPORTED;
    struct RenameInfo {  // FILE_RENAME_INFO
        BOOL replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength;
        WCHAR fileName[1];
    };
    std::vector<BYTE> buffer(sizeof(RenameInfo) + static_cast<std::size_t>(length) * sizeof(WCHAR));
    auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
    info->replaceIfExists = replace;
    info->rootDirectory = root;
    info->fileNameLength = static_cast<DWORD>(length * sizeof(WCHAR));
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), info->fileName, length);
    if (setInfo(file, kFileRenameInfo, info, static_cast<DWORD>(buffer.size()))) return ERROR_SUCCESS;
    const DWORD error = LastError(ERROR_ACCESS_DENIED);
    return Unsupported(error) ? ERROR_NOT_SUPPORTED : error;
}

// Renames our open file (`fromPath`) to `to` in `toFolder`, through its handle where the system
// allows, so that nothing can take its place on the way: by a name relative to the folder's handle
// (Windows), else by the full path (Wine takes no name relative to a handle here). Systems that
// rename no handle (XP) close it and rename by the paths.
DWORD RenameOpenFile(UniqueFile& file, const std::string& fromPath, const CheckedFolder& toFolder,
                     const std::string& to, bool replace) {
    DWORD error = RenameByHandle(file.get(), toFolder.Handle(), to, replace);
    if (error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return error;
    error = RenameByHandle(file.get(), nullptr, toFolder.PathOf(to), replace);
    if (error != ERROR_NOT_SUPPORTED) return error;
    file.reset();
    // A rename replaces a name, never writes through it, so a link planted under the target after
    // the check is replaced rather than followed.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExA(fromPath.c_str(), toFolder.PathOf(to).c_str(), flags)) return ERROR_SUCCESS;
    return LastError(ERROR_ACCESS_DENIED);
}

// With `replace`, an existing target must be a file of ours, not a link.
DWORD CheckTarget(const CheckedFolder& toFolder, const std::string& to, bool replace) {
    if (!replace) return ERROR_SUCCESS;
    UniqueFile target;
    const DWORD error = toFolder.OpenExisting(to, FILE_READ_ATTRIBUTES, target);
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

}  // namespace

DWORD MoveOwnFile(const CheckedFolder& fromFolder, const std::string& from, const CheckedFolder& toFolder,
                  const std::string& to, bool replace) {
    // Still our file, not something put under its name since it was written.
    UniqueFile source;
    if (DWORD error = fromFolder.OpenExisting(from, DELETE | FILE_READ_ATTRIBUTES, source)) return error;
    if (DWORD error = CheckTarget(toFolder, to, replace)) return error;
    return RenameOpenFile(source, fromFolder.PathOf(from), toFolder, to, replace);
}

DWORD WriteOwnFile(const std::string& path, const std::string& bytes) {
    std::string folderPath, name;
    SplitPath(path, folderPath, name);
    CheckedFolder folder;
    if (DWORD error = folder.Open(folderPath)) return error;
    return WriteOwnFile(folder, name, bytes);
}

DWORD WriteOwnFile(const CheckedFolder& folder, const std::string& name, const std::string& bytes) {
    const std::string temp = TemporaryNameFor(name);
    UniqueFile file;
    DWORD error = folder.CreateNew(temp, file);
    if (error != ERROR_SUCCESS) return error;
    std::size_t done = 0;
    while (done < bytes.size() && error == ERROR_SUCCESS) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD wrote = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            error = LastError(ERROR_WRITE_FAULT);
        done += wrote;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file.get())) error = LastError(ERROR_WRITE_FAULT);
    if (error == ERROR_SUCCESS) error = CheckTarget(folder, name, true);
    // Renamed through the handle it was written by: nothing can take its place meanwhile.
    if (error == ERROR_SUCCESS) error = RenameOpenFile(file, folder.PathOf(temp), folder, name, true);
    file.reset();
    if (error != ERROR_SUCCESS) folder.Delete(temp);
    return error;
}

DWORD ReadOwnFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    UniqueFile file;
    if (DWORD error = OpenOwnFile(path, GENERIC_READ, file)) return error;
    char buf[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buf, sizeof buf, &got, nullptr)) {
            bytes.clear();
            return LastError(ERROR_READ_FAULT);
        }
        if (got == 0) return ERROR_SUCCESS;
        bytes.append(buf, got);
    }
}

std::FILE* StreamOver(UniqueFile file, const char* mode) {
    if (!file) return nullptr;
    const bool reading = mode[0] == 'r';
    const int flags = (std::strchr(mode, 'b') ? _O_BINARY : _O_TEXT) |
                      (reading ? _O_RDONLY : mode[0] == 'a' ? _O_APPEND : 0);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), flags);
    if (fd == -1) return nullptr;
    static_cast<void>(file.release());  // the descriptor owns it now
    std::FILE* stream = _fdopen(fd, mode);
    if (!stream) _close(fd);
    return stream;
}

std::FILE* CreateOwnStream(const std::string& path) {
    std::string folderPath, name;
    SplitPath(path, folderPath, name);
    CheckedFolder folder;
    UniqueFile file;
    if (folder.Open(folderPath) || folder.CreateNew(name, file)) return nullptr;
    return StreamOver(std::move(file), "wb");
}

std::FILE* ReadOwnStream(const std::string& path) {
    UniqueFile file;
    if (OpenOwnFile(path, GENERIC_READ, file)) return nullptr;
    return StreamOver(std::move(file), "rb");
}

}  // namespace tw

namespace tw {

std::FILE* OpenOwnTextStream(const std::string& path, bool append) {
    std::string folderPath, name;
    SplitPath(path, folderPath, name);
    CheckedFolder folder;
    UniqueFile file;
    if (folder.Open(folderPath) || folder.OpenAlways(name, GENERIC_WRITE, file)) return nullptr;
    // Emptied through the handle checked, never by opening the name again.
    if (!append && !SetEndOfFile(file.get())) return nullptr;
    return StreamOver(std::move(file), append ? "a" : "w");
}

}  // namespace tw

#include "maintenance/LinkRemoval.h"

#include "platform/Handles.h"
#include "platform/SystemFunction.h"

#include <windows.h>

#include <cstring>

namespace linkfile {

namespace {

// Declared here: the headers hide these from programs that also run on Windows XP.
using GetInfoExFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);  // GetFileInformationByHandleEx
using SetInfoFn = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);    // SetFileInformationByHandle
struct IoStatusBlock {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
using NtSetInfoFn = LONG(WINAPI*)(HANDLE, IoStatusBlock*, void*, ULONG, int);  // NtSetInformationFile

constexpr int kFileBasicInfo = 0, kFileDispositionInfo = 4, kFileIdInfo = 18;  // FILE_INFO_BY_HANDLE_CLASS
constexpr int kNtFileBasicInformation = 4, kNtFileDispositionInformation = 13;  // FILE_INFORMATION_CLASS

struct BasicInfo {  // FILE_BASIC_INFO, the same as the native FILE_BASIC_INFORMATION
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: left as it is
    DWORD fileAttributes;                                                    // 0: left as it is
};
struct DispositionInfo {  // FILE_DISPOSITION_INFO, the same as FILE_DISPOSITION_INFORMATION
    BOOLEAN deleteFile;
};
struct IdInfo {  // FILE_ID_INFO (Windows 8 and later)
    ULONGLONG volumeSerialNumber;
    BYTE fileId[16];
};

GetInfoExFn GetInfoEx() {
    static const auto fn = tw::FindSystemFunction<GetInfoExFn>("kernel32.dll", "GetFileInformationByHandleEx");
    return fn;
}

// Sets information on an open file. SetFileInformationByHandle came with Windows Vista; before it
// (Windows 2000, XP) the native call it is made of takes the same records under other class
// numbers. The 9x family has neither: false, with ERROR_CALL_NOT_IMPLEMENTED.
bool SetInfo(HANDLE file, int infoClass, int nativeClass, void* info, DWORD size) {
    static const auto set = tw::FindSystemFunction<SetInfoFn>("kernel32.dll", "SetFileInformationByHandle");
    static const auto ntSet = tw::FindSystemFunction<NtSetInfoFn>("ntdll.dll", "NtSetInformationFile");
    if (set) return set(file, infoClass, info, size) != FALSE;
    if (!ntSet) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IoStatusBlock io{};
    const LONG status = ntSet(file, &io, info, size, nativeClass);
    if (status >= 0) return true;
    SetLastError(ERROR_ACCESS_DENIED);  // the usual refusal: read-only, in use, or no right to delete
    return false;
}

std::optional<FileIdentity> IdentifyHandle(HANDLE file, const BY_HANDLE_FILE_INFORMATION* known) {
    FileIdentity identity;
    if (const GetInfoExFn getEx = GetInfoEx()) {
        IdInfo info{};
        if (getEx(file, kFileIdInfo, &info, sizeof info)) {
            identity.volume = info.volumeSerialNumber;
            std::memcpy(identity.id, info.fileId, sizeof identity.id);
            return identity;
        }
    }
    BY_HANDLE_FILE_INFORMATION asked;
    if (!known) {
        if (!GetFileInformationByHandle(file, &asked)) return std::nullopt;
        known = &asked;
    }
    identity.volume = known->dwVolumeSerialNumber;
    const std::uint64_t index = (std::uint64_t{known->nFileIndexHigh} << 32) | known->nFileIndexLow;
    std::memcpy(identity.id, &index, sizeof index);
    return identity;
}

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Each folder between the drive's root and the file, asked by name: the name's own attributes, so
// a junction or symbolic link shows as a reparse point. (Opened as a handle, a folder link under
// Wine describes the folder it leads to.) The file's identity, checked on the handle, is what
// holds when the path changes after this walk; the walk refuses a path that leads through a
// folder link even to the same file.
std::optional<Removal> CheckFolders(const std::string& path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return Removal::Replaced;
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
        const DWORD attributes = GetFileAttributesA(path.substr(0, at).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return IsNotFound(GetLastError()) ? Removal::Gone : Removal::Failed;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return Removal::Replaced;
    }
    return std::nullopt;
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
    return volume == other.volume && std::memcmp(id, other.id, sizeof id) == 0;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    tw::UniqueFile file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return std::nullopt;
    return IdentifyHandle(file.get(), nullptr);
}

Removal RemoveScannedFile(const std::string& path, const FileIdentity& identity, const std::optional<FileStamp>& stamp) {
    if (const std::optional<Removal> refused = CheckFolders(path)) return *refused;
    // Others may go on reading it, but not write, rename or delete it while it is checked.
    tw::UniqueFile file(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return IsNotFound(GetLastError()) ? Removal::Gone : Removal::Failed;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) return Removal::Failed;
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || info.nNumberOfLinks != 1)
        return Removal::Replaced;
    const std::optional<FileIdentity> now = IdentifyHandle(file.get(), &info);
    if (!now || *now != identity) return Removal::Replaced;
    if (stamp && ((std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow) != stamp->size ||
                  Ticks(info.ftLastWriteTime) != stamp->written))
        return Removal::Changed;

    const DWORD attributes = info.dwFileAttributes;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    BasicInfo basic{};
    if (readOnly) {  // a read-only file refuses deletion
        basic.fileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) ? attributes & ~FILE_ATTRIBUTE_READONLY
                                                                         : FILE_ATTRIBUTE_NORMAL;
        if (!SetInfo(file.get(), kFileBasicInfo, kNtFileBasicInformation, &basic, sizeof basic) &&
            GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return Removal::Failed;
    }
    DispositionInfo disposition{TRUE};
    if (SetInfo(file.get(), kFileDispositionInfo, kNtFileDispositionInformation, &disposition, sizeof disposition))
        return Removal::Deleted;  // gone when the handle closes
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        // The 9x family: no folder links, no file-system links and no accounts to tell apart, so
        // the checked path is deleted by name.
        file.reset();
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) ? Removal::Deleted : Removal::Failed;
    }
    if (readOnly) {
        basic.fileAttributes = attributes;
        SetInfo(file.get(), kFileBasicInfo, kNtFileBasicInformation, &basic, sizeof basic);
    }
    return Removal::Failed;
}

}  // namespace linkfile

#include "maintenance/LinkBackup.h"

#include "platform/Files.h"
#include "platform/Handles.h"

#include <new>

namespace backup {

namespace {

// The attributes a restore gives back; the others (folder, reparse point, compressed, ...) are
// what the file system decides, not the file.
const DWORD kRestoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

FILETIME FileTime(std::uint64_t v) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(v);
    t.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return t;
}

std::string WithError(const std::string& what, DWORD error) {
    return what + " (error " + std::to_string(static_cast<unsigned long>(error)) + ")";
}

// Creates every missing folder above path.
void CreateFoldersAbove(const std::string& path) {
    for (std::size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

}  // namespace

bool ReadLink(const std::string& path, SavedLink& link, std::string& reason) {
    // The attributes by name, the rest by handle: under Wine asking a handle for all of it at once
    // (GetFileInformationByHandle) costs ten times the rest of the read.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // The reparse point itself, never what it leads to: a restore could not bring back either.
    tw::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILETIME created{}, accessed{}, written{};
    DWORD sizeHigh = 0, size = INVALID_FILE_SIZE;
    if (attributes == INVALID_FILE_ATTRIBUTES || !file || !GetFileTime(file.get(), &created, &accessed, &written) ||
        ((size = GetFileSize(file.get(), &sizeHigh)) == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)) {
        reason = WithError("the backup cannot read it", GetLastError());
        return false;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        reason = "the backup cannot keep it: it is a folder or a link of the file system";
        return false;
    }
    if (sizeHigh != 0 || size > kMaxLinkBytes) {
        reason = "the backup cannot keep it: it is larger than any shortcut";
        return false;
    }
    link.path = path;
    link.attributes = attributes;
    link.created = Ticks(created);
    link.accessed = Ticks(accessed);
    link.written = Ticks(written);
    try {
        link.bytes.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        reason = WithError("the backup cannot read it", ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &link.bytes[done], size - done, &got, nullptr) || got == 0) {
            reason = WithError("the backup cannot read it", got == 0 ? ERROR_HANDLE_EOF : GetLastError());
            return false;
        }
        done += got;
    }
    // A file grown since it was measured would be kept cut short.
    char more;
    DWORD extra = 0;
    if (ReadFile(file.get(), &more, 1, &extra, nullptr) && extra != 0) {
        reason = "the backup cannot keep it: it changed while it was read";
        return false;
    }
    return true;
}

DWORD PutBackLink(const SavedLink& link) {
    // Written whole under a name of its own beside the link, then renamed without replacing: a
    // restore cut short leaves no half-written link behind, and never takes the place of a file
    // (or a dangling link of the file system) that lies there now.
    const std::string temp = link.path + ".tw-restore";
    auto create = [&] {
        return CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    tw::UniqueFile file(create());
    if (!file && GetLastError() == ERROR_PATH_NOT_FOUND) {
        CreateFoldersAbove(link.path);
        file.reset(create());
    }
    if (!file) return GetLastError();
    DWORD error = ERROR_SUCCESS;
    DWORD done = 0;
    const DWORD size = static_cast<DWORD>(link.bytes.size());
    while (error == ERROR_SUCCESS && done < size) {
        DWORD wrote = 0;
        if (!WriteFile(file.get(), link.bytes.data() + done, size - done, &wrote, nullptr) || wrote == 0)
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        done += wrote;
    }
    const FILETIME created = FileTime(link.created), accessed = FileTime(link.accessed),
                   written = FileTime(link.written);
    // The times last, after every write that would move them; a rename keeps them.
    if (error == ERROR_SUCCESS && !SetFileTime(file.get(), &created, &accessed, &written)) error = GetLastError();
    file.reset();
    if (error == ERROR_SUCCESS && !MoveFileExA(temp.c_str(), link.path.c_str(), 0)) {
        error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS) error = ERROR_FILE_EXISTS;
    }
    if (error != ERROR_SUCCESS) {
        DeleteFileA(temp.c_str());  // ours: made by CREATE_NEW above
        return error;
    }
    DWORD attributes = link.attributes & kRestoredAttributes;
    if (!SetFileAttributesA(link.path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    return ERROR_SUCCESS;
}

LinkStore ReadLinkStore(const std::string& regPath) {
    LinkStore store;
    store.path = LinkStoreName(regPath);
    if (GetFileAttributesA(store.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return store;
    }
    store.present = true;
    std::string bytes;
    try {
        if (!tw::ReadWholeFile(store.path, bytes)) {
            store.error = GetLastError() ? GetLastError() : ERROR_READ_FAULT;
            return store;
        }
        store.contents = DecodeLinks(bytes);
        store.raw = std::move(bytes);
    } catch (const std::bad_alloc&) {
        store.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    return store;
}

}  // namespace backup

#include "platform/Files.h"

#include "platform/Handles.h"

#include <algorithm>

namespace tw {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buf[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buf, sizeof buf, &got, nullptr)) {
            bytes.clear();
            return false;
        }
        if (got == 0) return true;
        bytes.append(buf, got);
    }
}

DWORD ReplaceFileContents(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    DWORD error = ERROR_SUCCESS;
    {
        UniqueFile file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return GetLastError();
        std::size_t done = 0;
        while (done < bytes.size() && error == ERROR_SUCCESS) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
            DWORD wrote = 0;
            if (!WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += wrote;
        }
        if (error == ERROR_SUCCESS && !FlushFileBuffers(file.get())) error = GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) DeleteFileA(temp.c_str());
    return error;
}

}  // namespace tw

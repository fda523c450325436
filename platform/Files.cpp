#include "platform/Files.h"

#include "platform/SafeFile.h"

namespace tw {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    DWORD error = ReadOwnFile(path, bytes);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

DWORD ReplaceFileContents(const std::string& path, const std::string& bytes) { return WriteOwnFile(path, bytes); }

}  // namespace tw

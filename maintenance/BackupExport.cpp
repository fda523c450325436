#include "maintenance/BackupExport.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/RegExport.h"
#include "maintenance/RegistryBackup.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace {

// A path in its full, long form for comparing (short 8.3 names and ".." resolved); a file that does
// not exist yet is taken as its folder's long form and its name.
std::string LongFullPath(const std::string& path) {
    DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::string full(n, '\0');
    full.resize(GetFullPathNameA(path.c_str(), n, &full[0], nullptr));
    std::size_t slash = full.find_last_of('\\');
    for (const std::string& candidate : {full, slash == std::string::npos ? std::string() : full.substr(0, slash)}) {
        if (candidate.empty()) break;
        DWORD m = GetLongPathNameA(candidate.c_str(), nullptr, 0);
        if (m == 0) continue;
        std::string longForm(m, '\0');
        longForm.resize(GetLongPathNameA(candidate.c_str(), &longForm[0], m));
        return candidate.size() == full.size() ? longForm : longForm + full.substr(slash);
    }
    return full;
}

// Whether two paths name one existing file, however they spell it.
bool SameFile(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        tw::UniqueFile f(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return f && GetFileInformationByHandle(f.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return identity(a, x) && identity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

// Why the export may not be written to `out`, or nothing when it may.
std::string RefusedOutput(const std::string& out, const std::string& source) {
    const std::string target = LongFullPath(out);
    if (SameFile(out, source) || tw::EqualsNoCase(target, LongFullPath(source)))
        return "it is the backup being exported";
    const std::string folder = LongFullPath(BackupFolderPath()) + "\\";
    if (target.size() > folder.size() && tw::EqualsNoCase(target.substr(0, folder.size()), folder))
        return "it lies in the backup folder " + BackupFolderPath();
    return {};
}

}  // namespace

ExportResult ExportBackup(const std::string& source, const std::string& out) {
    ExportResult result;
    result.refused = RefusedOutput(out, source);
    if (!result.refused.empty()) return result;
    backup::DecodeResult decoded;
    if (!backup::ReadBackupFile(source, decoded, result.error)) {
        result.status = ExportResult::Status::Unreadable;
        return result;
    }
    const std::string text = backup::ExportRegedit4(decoded.records, &result.omitted);
    // Written beside the target and renamed into place: a failed export leaves the old file whole.
    if ((result.error = tw::ReplaceFileContents(out, text)) != ERROR_SUCCESS) {
        result.status = ExportResult::Status::WriteFailed;
        result.omitted.clear();
        return result;
    }
    result.status = ExportResult::Status::Written;
    result.records = decoded.records.size();
    result.damaged = decoded.damaged;
    result.damage = decoded.damage;
    return result;
}

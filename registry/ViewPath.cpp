#include "registry/ViewPath.h"

#include "platform/Text.h"

#include <vector>

namespace {

constexpr char kNode[] = "Wow6432Node";

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return parts;
        start = slash + 1;
    }
}

}  // namespace

std::string Wow6432NodePath(const std::string& fullPath) {
    const std::vector<std::string> parts = Parts(fullPath);
    // How many parts stay in front of the node: HKCR\X, HKLM\Software\X, HKLM\Software\Classes\X,
    // HKCU\Software\Classes\X (the current user's classes have a 32-bit twin; the rest of HKCU has not).
    std::size_t keep = 0;
    const bool software = parts.size() > 1 && tw::EqualsNoCase(parts[1], "SOFTWARE");
    const bool classes = software && parts.size() > 2 && tw::EqualsNoCase(parts[2], "Classes");
    if (tw::EqualsNoCase(parts[0], "HKEY_CLASSES_ROOT")) {
        keep = 1;
    } else if (tw::EqualsNoCase(parts[0], "HKEY_LOCAL_MACHINE") && software) {
        keep = classes ? 3 : 2;
    } else if (tw::EqualsNoCase(parts[0], "HKEY_CURRENT_USER") && classes) {
        keep = 3;
    }
    if (keep == 0 || parts.size() <= keep || parts[keep].empty() || tw::EqualsNoCase(parts[keep], kNode)) return {};
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i == keep) out += std::string(kNode) + "\\";
        out += parts[i];
        if (i + 1 < parts.size()) out += '\\';
    }
    return out;
}

std::string RegistryEditorPath(const std::string& recordPath) {
    const std::size_t slash = recordPath.find('\\');
    const std::string root = recordPath.substr(0, slash);
    if (!tw::EqualsNoCase(root, "HKEY_CLASSES_ROOT")) return recordPath;
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes" + (slash == std::string::npos ? "" : recordPath.substr(slash));
}

std::string NativeProgramFolders::Expand(const std::string& piece) const {
    static const struct {
        const char* piece;
        const char* native;
    } kFolders[] = {{"%ProgramFiles%", "%ProgramW6432%"}, {"%CommonProgramFiles%", "%CommonProgramW6432%"}};
    for (const auto& f : kFolders) {
        if (!tw::EqualsNoCase(piece, f.piece)) continue;
        const std::string native = base_.Expand(f.native);
        if (native != f.native) return native;  // left as it is: not defined here
    }
    return base_.Expand(piece);
}

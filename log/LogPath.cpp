#include "log/LogPath.h"

namespace logpath {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Index of the first character after the part of the path that is never created.
std::size_t FirstCreatable(const std::string& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\server\share\...: skip two components after the leading pair.
        std::size_t pos = 2;
        for (int part = 0; part < 2; ++part) {
            while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
            if (pos >= path.size()) return path.size();
            ++pos;
        }
        return pos;
    }
    std::size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':') pos = 2;
    if (pos < path.size() && IsSeparator(path[pos])) ++pos;
    return pos;
}

}  // namespace

std::string Resolve(const std::string& name, const std::string& executablePath) {
    if (name.size() < 4 || name[1] == ':') return name;
    std::size_t slash = executablePath.rfind('\\');
    if (slash == std::string::npos) return name;
    return executablePath.substr(0, slash + 1) + name;
}

std::vector<std::string> FoldersOf(const std::string& path) {
    std::vector<std::string> folders;
    std::size_t start = FirstCreatable(path);
    for (std::size_t pos = start; pos < path.size(); ++pos) {
        if (!IsSeparator(path[pos])) continue;
        if (pos > start && !IsSeparator(path[pos - 1])) folders.push_back(path.substr(0, pos));
    }
    return folders;
}

}  // namespace logpath

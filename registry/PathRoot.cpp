#include "registry/PathRoot.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool HasDriveLetter(std::string_view p) { return p.size() >= 2 && IsAsciiLetter(p[0]) && p[1] == ':'; }

std::string DriveRoot(char letter) { return std::string{Upper(letter), ':', '\\'}; }

// The first component of a device path (after "\\?\" or "\\.\") and whether a separator follows it.
std::string_view FirstComponent(std::string_view rest, bool& separated) {
    std::size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    separated = end < rest.size();
    return rest.substr(0, end);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

PathRoot DevicePath(std::string_view rest) {
    bool separated = false;
    const std::string_view first = FirstComponent(rest, separated);
    // "\\?\C:\x" is a file on drive C; "\\.\C:" alone is the volume itself, not a file on it.
    if (first.size() == 2 && HasDriveLetter(first) && separated) return {PathRoot::DriveLetter, DriveRoot(first[0])};
    if (EqualsNoCase(first, "UNC") && separated) return {PathRoot::Unc, {}};
    constexpr std::string_view kVolume = "Volume{";
    if (first.size() > kVolume.size() + 1 && EqualsNoCase(first.substr(0, kVolume.size()), kVolume) &&
        first.back() == '}')
        return {PathRoot::Volume, "\\\\?\\" + std::string(first) + "\\"};
    return {PathRoot::Device, {}};
}

}  // namespace

PathRoot RootOfPath(std::string_view path) {
    if (HasDriveLetter(path)) return {PathRoot::DriveLetter, DriveRoot(path[0])};
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return {PathRoot::Relative, {}};
    // Two separators: a device path when "?" or "." and a separator follow, otherwise a server name.
    if (path.size() >= 4 && (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]))
        return DevicePath(path.substr(4));
    return {PathRoot::Unc, {}};
}

bool HasNetworkOrDeviceForm(std::string_view path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

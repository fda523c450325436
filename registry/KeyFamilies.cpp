#include "registry/KeyFamilies.h"

#include "platform/Text.h"
#include "registry/ViewPath.h"

const char* const kScannedKeyFamilies[] = {
    "HKEY_CLASSES_ROOT\\CLSID",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\help",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\html help",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "HKEY_CURRENT_USER\\Software\\Classes\\CLSID",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};
const std::size_t kScannedKeyFamilyCount = sizeof kScannedKeyFamilies / sizeof kScannedKeyFamilies[0];

namespace {

// The family paths are ASCII, so comparing byte by byte with ASCII case folding is exact even for
// double-byte code pages: a byte of the path that equals an ASCII letter of the family at the same
// place cannot be a trail byte, since the byte before it would have to be a lead byte, and the
// family has none. The same holds for the backslash that must follow the family's key.
bool AtOrBelow(const std::string& path, const std::string& family) {
    if (family.empty() || path.size() < family.size()) return false;
    if (!tw::EqualsNoCase(std::string_view(path).substr(0, family.size()), family)) return false;
    return path.size() == family.size() || path[family.size()] == '\\';
}

}  // namespace

bool IsPlainKeyPath(const std::string& path) {
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('\\', start);
        const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

bool InScannedKeyFamily(const std::string& fullPath) {
    if (!IsPlainKeyPath(fullPath)) return false;
    for (std::size_t i = 0; i < kScannedKeyFamilyCount; ++i) {
        const std::string family = kScannedKeyFamilies[i];
        if (AtOrBelow(fullPath, family) || AtOrBelow(fullPath, Wow6432NodePath(family))) return true;
    }
    return false;
}

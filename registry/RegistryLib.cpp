#include "registry/RegistryLib.h"

#include "platform/Handles.h"
#include "platform/Text.h"
#include "registry/SystemEnvironment.h"
#include "registry/ValueText.h"

#include <io.h>

#include <algorithm>

namespace {

constexpr char kDefaultName[] = "(Default)";
constexpr char kValueNotSet[] = "(value not set)";

}  // namespace

CRegistryLib::CRegistryLib() : environment_(&SystemPathEnvironment()) {
    is9x_ = (GetVersion() & 0x80000000u) != 0;
    LoadIgnoreList();
}

CRegistryLib::~CRegistryLib() = default;

std::string CRegistryLib::SeperateMainKey(std::string& path) {
    std::size_t slash = path.find('\\');
    if (slash == std::string::npos) {
        std::string root;
        root.swap(path);
        return root;
    }
    std::string root = path.substr(0, slash);
    path.erase(0, slash + 1);
    return root;
}

HKEY CRegistryLib::RootKey(const std::string& rootName) {
    static const struct {
        const char* name;
        HKEY key;
    } kRoots[] = {{"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                  {"HKEY_USERS", HKEY_USERS},
                  {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
    for (const auto& r : kRoots)
        if (tw::EqualsNoCase(rootName, r.name)) return r.key;
    return nullptr;
}

LONG CRegistryLib::OpenKey(const std::string& rootName, const std::string& subKey, HKEY* key) {
    HKEY root = RootKey(rootName);
    if (!key || !root) return 1;
    return RegOpenKeyA(root, subKey.c_str(), key);
}

LONG CRegistryLib::DeleteValue(const std::string& rootName, const std::string& subKey,
                               const std::string& valueName) {
    HKEY root = RootKey(rootName);
    if (!root) return 1;
    tw::UniqueHKey key;
    LONG rc = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_SET_VALUE, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    const char* name = valueName == kDefaultName ? "" : valueName.c_str();
    return RegDeleteValueA(key.get(), name);
}

LONG CRegistryLib::DeleteKey(const std::string& rootName, const std::string& subKey) {
    HKEY root = RootKey(rootName);
    if (!root) return 1;
    if (is9x_) return RegDeleteKeyA(root, subKey.c_str());
    return DeleteTree(root, subKey);
}

LONG CRegistryLib::DeleteTree(HKEY parent, const std::string& subKey) {
    if (subKey.empty()) return ERROR_BADKEY;
    tw::UniqueHKey key;
    LONG rc = RegOpenKeyExA(parent, subKey.c_str(), 0, DELETE | KEY_ENUMERATE_SUB_KEYS, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    for (;;) {
        char name[256];
        DWORD size = sizeof name;
        rc = RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTree(key.get(), std::string(name, size));
        if (rc != ERROR_SUCCESS) return rc;
    }
    rc = RegDeleteKeyA(parent, subKey.c_str());
    return rc;
}

LONG CRegistryLib::EnumSubKey(HKEY key, DWORD index, std::string& name) {
    // Key names are at most 255 characters, which a double-byte code page may turn into twice as
    // many bytes; a longer answer still gets a bigger buffer rather than being taken for an error.
    char small[512];
    DWORD size = sizeof small;
    LONG rc = RegEnumKeyExA(key, index, small, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) {
        name.assign(small, size);
        return rc;
    }
    for (std::size_t capacity = 4096; rc == ERROR_MORE_DATA && capacity <= 65536; capacity *= 4) {
        std::vector<char> big(capacity);
        size = static_cast<DWORD>(capacity);
        rc = RegEnumKeyExA(key, index, big.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) name.assign(big.data(), size);
    }
    return rc;
}

void CRegistryLib::ListValues(HKEY key, std::vector<RegValueEntry>& list) {
    DWORD count = 0, longestName = 0, longestData = 0;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                               &longestName, &longestData, nullptr, nullptr);
    std::vector<char> name;
    std::vector<BYTE> data;
    try {
        name.resize(std::size_t{longestName} + 1);
        data.resize(std::size_t{longestData} + 1);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (rc == ERROR_SUCCESS && count != 0 && count != 0xFFFFFFFFu) {
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameSize = longestName + 1;
            DWORD dataSize = longestData + 1;
            DWORD type = 0;
            name[0] = '\0';
            data[0] = 0;
            if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
                ERROR_SUCCESS)
                continue;
            RegValueEntry e;
            e.type = type;
            e.text = RenderValue(type, data.data(), dataSize);
            if (nameSize > 0) {
                e.name.assign(name.data(), nameSize);
            } else {
                e.name = kDefaultName;
                if (e.text.empty()) e.text = kValueNotSet;
            }
            list.push_back(std::move(e));
        }
    }
    bool hasDefault = std::any_of(list.begin(), list.end(),
                                  [](const RegValueEntry& e) { return e.name == kDefaultName; });
    if (!hasDefault) list.insert(list.begin(), RegValueEntry{kDefaultName, kValueNotSet, REG_SZ});
}

std::string CRegistryLib::RenderValue(DWORD type, const BYTE* data, DWORD length) {
    return valuetext::Render(type, data, length);
}

std::vector<unsigned char> CRegistryLib::ParseValue(const std::string& text, DWORD type) {
    return valuetext::Parse(text, type);
}

std::string CRegistryLib::TypeName(DWORD type) { return valuetext::TypeName(type); }

DWORD CRegistryLib::TypeFromName(const std::string& name) { return valuetext::TypeFromName(name); }

std::string CRegistryLib::FindIePath() {
    tw::UniqueHKey key;
    if (OpenKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE",
                key.put()) != ERROR_SUCCESS)
        return {};
    std::vector<RegValueEntry> values;
    ListValues(key.get(), values);
    std::string path;
    for (const RegValueEntry& e : values)
        if (tw::EqualsNoCase(e.name, "path")) path = e.text;
    path.erase(std::remove(path.begin(), path.end(), ';'), path.end());
    return path;
}

int CRegistryLib::CheckFile(const std::string& path, int mode) {
    if (_access(path.c_str(), mode) != 0) return IsIgnored(path) ? 0 : -1;
    return 0;
}

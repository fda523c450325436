#include "registry/RegistryLib.h"

#include "platform/Codepage.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/SystemEnvironment.h"
#include "registry/ValueText.h"

#include <io.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr char kDefaultName[] = "(Default)";
constexpr char kValueNotSet[] = "(value not set)";

// Resizes a buffer; false when the memory is not there.
template <typename T>
bool Allocate(std::vector<T>& buffer, std::size_t size) {
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

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

HKEY CRegistryLib::RecordRoot(HKEY root, std::string& subKey) {
    if (root != HKEY_CLASSES_ROOT) return root;
    subKey = subKey.empty() ? "Software\\Classes" : "Software\\Classes\\" + subKey;
    return HKEY_LOCAL_MACHINE;
}

LONG CRegistryLib::OpenKey(const std::string& rootName, const std::string& subKey, HKEY* key) {
    std::string sub = subKey;
    HKEY root = RecordRoot(rootName, sub);
    if (!key || !root) return 1;
    return OpenSubKey(root, sub, key);
}

LONG CRegistryLib::OpenSubKey(HKEY parent, const std::string& name, HKEY* key) {
    const REGSAM view = tw::PhysicalKeyView();
    if (view == 0) return RegOpenKeyA(parent, name.c_str(), key);
    return RegOpenKeyExA(parent, name.c_str(), 0, MAXIMUM_ALLOWED | view, key);
}

LONG CRegistryLib::CreateSubKey(HKEY parent, const std::string& name, HKEY* key) {
    const REGSAM view = tw::PhysicalKeyView();
    if (view == 0) return RegCreateKeyA(parent, name.c_str(), key);
    return RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED | view,
                           nullptr, key, nullptr);
}

LONG CRegistryLib::DeleteValue(const std::string& rootName, const std::string& subKey,
                               const std::string& valueName) {
    std::string sub = subKey;
    HKEY root = RecordRoot(rootName, sub);
    if (!root) return 1;
    tw::UniqueHKey key;
    LONG rc = RegOpenKeyExA(root, sub.c_str(), 0, KEY_SET_VALUE | tw::PhysicalKeyView(), key.put());
    if (rc != ERROR_SUCCESS) return rc;
    const char* name = valueName == kDefaultName ? "" : valueName.c_str();
    return RegDeleteValueA(key.get(), name);
}

LONG CRegistryLib::DeleteKey(const std::string& rootName, const std::string& subKey) {
    std::string sub = subKey;
    HKEY root = RecordRoot(rootName, sub);
    if (!root) return 1;
    // A root alone is never removed (mapped, HKEY_CLASSES_ROOT would name every machine-wide class).
    if (subKey.empty()) return ERROR_BADKEY;
    if (is9x_) return RegDeleteKeyA(root, sub.c_str());
    return DeleteTree(root, sub);
}

LONG CRegistryLib::DeleteTree(HKEY parent, const std::string& subKey) {
    if (subKey.empty()) return ERROR_BADKEY;
    tw::UniqueHKey key;
    const REGSAM view = tw::PhysicalKeyView();
    LONG rc = RegOpenKeyExA(parent, subKey.c_str(), 0, DELETE | KEY_ENUMERATE_SUB_KEYS | view, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    // Always the first sub-key: each one deleted makes the next the first. Any failure ends it,
    // or a sub-key that cannot be deleted would be met again and again.
    std::string name;
    for (;;) {
        rc = EnumSubKey(key.get(), 0, name);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTree(key.get(), name);
        if (rc != ERROR_SUCCESS) return rc;
    }
    rc = tw::DeleteKeyInView(parent, subKey, view);
    return rc;
}

LONG CRegistryLib::EnumSubKey(HKEY key, DWORD index, std::string& name, bool* exact) {
    // Read in the wide form, so that a name the code page cannot spell is known as such. Key names
    // are at most 255 characters; a longer answer still gets a bigger buffer rather than being
    // taken for an error.
    wchar_t small[256];
    DWORD size = 256;
    std::u16string wide;
    LONG rc = RegEnumKeyExW(key, index, small, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) wide.assign(reinterpret_cast<const char16_t*>(small), size);
    for (std::size_t capacity = 4096; rc == ERROR_MORE_DATA && capacity <= 65536; capacity *= 4) {
        std::vector<wchar_t> big(capacity);
        size = static_cast<DWORD>(capacity);
        rc = RegEnumKeyExW(key, index, big.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) wide.assign(reinterpret_cast<const char16_t*>(big.data()), size);
    }
    if (rc != ERROR_SUCCESS) return rc;
    const bool spelled = tw::Utf16ToAnsiExact(wide, name);
    if (exact) *exact = spelled;
    return rc;
}

bool CRegistryLib::NarrowValueData(DWORD type, const BYTE* data, DWORD size, std::string& narrow) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
        narrow.assign(reinterpret_cast<const char*>(data), size);
        return true;
    }
    std::u16string wide(size / 2, u'\0');
    if (!wide.empty()) std::memcpy(&wide[0], data, wide.size() * 2);
    return tw::Utf16ToAnsiExact(wide, narrow);
}

RegValueEntry CRegistryLib::MakeEntry(const std::u16string& name, DWORD type, const BYTE* data, DWORD size) {
    RegValueEntry e;
    e.type = type;
    std::string bytes;
    e.exact = NarrowValueData(type, data, size, bytes);
    e.text = RenderValue(type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    if (!name.empty()) {
        if (!tw::Utf16ToAnsiExact(name, e.name)) e.exact = false;
    } else {
        e.name = kDefaultName;
        if (e.text.empty()) e.text = kValueNotSet;
    }
    return e;
}

void CRegistryLib::ListValues(HKEY key, std::vector<RegValueEntry>& list) {
    DWORD count = 0, longestName = 0, longestData = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                               &longestName, &longestData, nullptr, nullptr);
    std::vector<wchar_t> name;
    std::vector<BYTE> data;
    if (!Allocate(name, std::size_t{longestName} + 1) || !Allocate(data, std::size_t{longestData} + 2)) return;
    if (rc == ERROR_SUCCESS && count != 0 && count != 0xFFFFFFFFu) {
        // Any answer but success ends the listing (a key deleted meanwhile answers with an error for
        // every index); a value that grew since the query gets larger buffers, a few times at most.
        int regrowths = 0;
        for (DWORD i = 0; i < count;) {
            DWORD nameSize = static_cast<DWORD>(name.size());
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            name[0] = L'\0';
            data[0] = 0;
            rc = RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
            if (rc == ERROR_MORE_DATA && ++regrowths <= 8) {
                if (!Allocate(name, name.size() * 2) ||
                    !Allocate(data, std::max<std::size_t>(std::size_t{dataSize} + 2, data.size() * 2)))
                    break;
                continue;
            }
            if (rc != ERROR_SUCCESS) break;
            list.push_back(MakeEntry(std::u16string(reinterpret_cast<const char16_t*>(name.data()), nameSize), type,
                                     data.data(), dataSize));
            ++i;
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

int CRegistryLib::CheckFile(const std::string& path, int mode, bool* ignored) {
    if (ignored) *ignored = false;
    if (!probe_.OnLocalFixedDrive(path) || _access(path.c_str(), mode) == 0) return 0;
    if (!IsIgnored(path)) return -1;
    if (ignored) *ignored = true;
    return 0;
}

void CRegistryLib::NoteUnreachable(ErrorRecord record) {
    NoteIgnoredEntry(record.KeyPath());
    unreachable_.push_back(std::move(record));
}

void CRegistryLib::NoteIgnoredEntry(const std::string& keyPath) {
    if (std::find(ignoredEntryKeys_.begin(), ignoredEntryKeys_.end(), keyPath) == ignoredEntryKeys_.end())
        ignoredEntryKeys_.push_back(keyPath);
}

bool CRegistryLib::HoldsIgnoredEntry(const std::string& keyPath) const {
    return std::any_of(ignoredEntryKeys_.begin(), ignoredEntryKeys_.end(),
                       [&](const std::string& k) { return IsKeyAtOrBelow(k, keyPath); });
}

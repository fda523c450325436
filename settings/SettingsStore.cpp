#include "settings/SettingsStore.h"

#include "platform/Handles.h"

#include <vector>

const char kSettingsKeyPath[] = "Software\\TIDEWARP";

namespace {

const DWORD kFlagBytes = 256;

tw::UniqueHKey OpenForReading(HKEY root, const std::string& path) {
    tw::UniqueHKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

// The key opened with full access, or created when it does not exist yet.
tw::UniqueHKey OpenForWriting(HKEY root, const std::string& path) {
    tw::UniqueHKey key = OpenForReading(root, path);
    if (key) return key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A string value's bytes up to size (bounded by limit when not 0); false when missing, of another
// type, larger than the limit or not ending in its terminator.
bool QueryString(HKEY key, const std::string& name, DWORD limit, std::vector<char>& data) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (!IsStringType(type) || size == 0 || (limit && size > limit)) return false;
    data.assign(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS ||
        !IsStringType(type) || size == 0 || size > data.size())
        return false;
    data.resize(size);
    return data.back() == '\0';
}

}  // namespace

std::uint32_t SettingsStore::ReadNumber(const std::string& name) {
    tw::UniqueHKey key = OpenForReading(root_, path_);
    if (!key) return 0;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

void SettingsStore::WriteNumber(const std::string& name, std::uint32_t value) {
    tw::UniqueHKey key = OpenForWriting(root_, path_);
    DWORD data = value;
    if (key) RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

bool SettingsStore::ReadFlag(const std::string& name) {
    tw::UniqueHKey key = OpenForReading(root_, path_);
    std::vector<char> data;
    return key && QueryString(key.get(), name, kFlagBytes, data);
}

void SettingsStore::WriteFlag(const std::string& name, bool on) {
    if (!on) {
        // Nothing to delete where there is no key, so an unchecked button never creates it.
        if (tw::UniqueHKey key = OpenForReading(root_, path_)) RegDeleteValueA(key.get(), name.c_str());
        return;
    }
    WriteText(name, "1");
}

bool SettingsStore::ReadText(const std::string& name, std::string& text) {
    tw::UniqueHKey key = OpenForReading(root_, path_);
    std::vector<char> data;
    if (!key || !QueryString(key.get(), name, 0, data)) return false;
    text.assign(data.data());  // up to the first terminator
    return true;
}

void SettingsStore::WriteText(const std::string& name, const std::string& text) {
    if (text.empty()) return;
    tw::UniqueHKey key = OpenForWriting(root_, path_);
    if (key)
        RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
}

#include "app/Statistics.h"

#include "platform/Handles.h"
#include "settings/SettingsStore.h"

#include <windows.h>

namespace {

// Opened, never created: a machine without the key keeps none.
tw::UniqueHKey OpenSettingsKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return {};
    return tw::UniqueHKey(key);
}

void WriteDword(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

int ReadCounter(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
        return static_cast<int>(value);
    WriteDword(key, name, 0);
    return 0;
}

}  // namespace

UsageStatistics ReadUsageStatistics() {
    UsageStatistics s;
    tw::UniqueHKey key = OpenSettingsKey();
    if (!key) return s;
    s.errorsRemoved = ReadCounter(key.get(), kErrorsRemovedValue);
    s.scanCount = ReadCounter(key.get(), kScanCountValue);
    return s;
}

void WriteUsageStatistics(const UsageStatistics& statistics) {
    std::time_t now = std::time(nullptr);
    const std::string last = LastScanText(std::localtime(&now));
    if (tw::UniqueHKey key = OpenSettingsKey()) WriteDword(key.get(), kErrorsRemovedValue, statistics.errorsRemoved);
    if (tw::UniqueHKey key = OpenSettingsKey()) WriteDword(key.get(), kScanCountValue, statistics.scanCount);
    if (tw::UniqueHKey key = OpenSettingsKey())
        RegSetValueExA(key.get(), kLastScanValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(last.c_str()),
                       static_cast<DWORD>(last.size() + 1));
}

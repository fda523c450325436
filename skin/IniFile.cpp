#include "skin/IniFile.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

const DWORD kKeyBuffer = 16384;
const DWORD kValueBuffer = 2048;

}  // namespace

bool IniFile::GetKeys(const std::string& section, std::vector<std::string>& keys) const {
    keys.clear();
    std::unique_ptr<char[]> buffer(new char[kKeyBuffer + 1]());
    DWORD got = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.get(), kKeyBuffer, path_.c_str());
    for (DWORD i = 0; i < got && buffer[i];) {
        std::string key(buffer.get() + i);
        i += static_cast<DWORD>(key.size()) + 1;
        keys.push_back(std::move(key));
    }
    return !keys.empty();
}

std::string IniFile::GetString(const std::string& section, const std::string& key, const std::string& def) const {
    char buffer[kValueBuffer] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, kValueBuffer, path_.c_str());
    return buffer;
}

std::vector<std::string> ReadNumberedLines(const IniFile& ini, const std::string& section) {
    std::vector<std::string> keys, lines;
    ini.GetKeys(section, keys);
    for (std::size_t n = 1; n <= keys.size(); ++n) {
        char key[16];
        std::snprintf(key, sizeof key, "%d", static_cast<int>(n));
        std::string line = ini.GetString(section, key, "");
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

ImageKeys ReadImageKeys(const IniFile& ini, const std::string& section) {
    ImageKeys k;
    k.main = ini.GetString(section, "Main", "");
    k.mask = ini.GetString(section, "Mask", k.main);
    k.over = ini.GetString(section, "Over", k.main);
    k.stopScanOver = ini.GetString(section, "StopScanOver", k.main);
    k.down = ini.GetString(section, "Down", k.main);
    k.disabled = ini.GetString(section, "Disabled", k.main);
    return k;
}

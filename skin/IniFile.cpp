#include "skin/IniFile.h"

#include "skin/PlainFile.h"

#include <windows.h>

#include <cstdio>

namespace {

// The sizes of the lists the profile functions fill: a section's key names, one value.
const std::size_t kKeyBuffer = 16384;
const std::size_t kValueBuffer = 2048;
// A file larger than this is no description and is not read.
const DWORD kMaxFileBytes = 4 * 1024 * 1024;

// The file the profile functions open for path: a bare name lies in the Windows folder.
std::string ProfilePath(const std::string& path) {
    const bool bare = path.find_first_of("\\/") == std::string::npos && !(path.size() > 1 && path[1] == ':');
    if (!bare) return path;
    char folder[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return path;
    return std::string(folder) + "\\" + path;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), size, &ansi[0], n, nullptr, nullptr);
    return ansi;
}

// The file's text in the ANSI code page. A byte order mark makes it UTF-8 or UTF-16 (either byte
// order), which the profile functions read too; otherwise the bytes are the text.
std::string AnsiText(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        const int size = static_cast<int>(bytes.size() - 3);
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, size, nullptr, 0);
        std::wstring wide(n > 0 ? n : 0, L'\0');
        if (n > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, size, &wide[0], n);
        return ToAnsi(wide);
    }
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (!little && bytes.compare(0, 2, "\xFE\xFF") != 0) return bytes;
    std::wstring wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(static_cast<wchar_t>(little ? a | b << 8 : a << 8 | b));
    }
    return ToAnsi(wide);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    std::string bytes;
    loaded_ = skinfile::ReadPlain(ProfilePath(path_), bytes, kMaxFileBytes);
    if (loaded_) text_ = IniText(AnsiText(bytes));
}

IniFile::IniFile(std::string path, const std::string& bytes)
    : path_(std::move(path)), loaded_(true), text_(AnsiText(bytes)) {}

bool IniFile::GetKeys(const std::string& section, std::vector<std::string>& keys) const {
    keys = text_.Keys(section, kKeyBuffer);
    return !keys.empty();
}

std::string IniFile::GetString(const std::string& section, const std::string& key, const std::string& def) const {
    return text_.Value(section, key, def, kValueBuffer);
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

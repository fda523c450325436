#include "skin/SkinSource.h"

#include "skin/PlainFile.h"
#include "skin/SkinLine.h"

#include <mutex>

const char kSkinFileName[] = "profile";
const char kCustomSkinName[] = "skin.ini";

namespace {

// A description larger than this is not a skin and is not read.
const DWORD kMaxDescriptionBytes = 4 * 1024 * 1024;

std::mutex g_customLock;  // guards the two below
bool g_custom = false;
std::string g_customDescription;

// A line "[MAINSCREENINFO]" (any letter case, blanks around it), as the profile reader finds it.
bool HasMainScreenSection(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        std::size_t first = line.find_first_not_of(" \t\r");
        std::size_t last = line.find_last_not_of(" \t\r");
        if (first == std::string::npos) continue;
        line = line.substr(first, last - first + 1);
        if (lstrcmpiA(line.c_str(), "[MAINSCREENINFO]") == 0) return true;
    }
    return false;
}

}  // namespace

std::string ResolveSkinFilePath(const std::string& name) {
    char full[MAX_PATH] = {};
    char* filePart = nullptr;
    DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, full, &filePart);
    if (n == 0 || n >= MAX_PATH) return name;
    std::string directory = filePart ? std::string(full, filePart) : std::string(full);
    while (!directory.empty() && directory.back() == '\\') directory.pop_back();
    return directory + "\\" + name;
}

std::string SkinDirectory(const std::string& skinFilePath) {
    std::size_t slash = skinFilePath.rfind('\\');
    if (slash == std::string::npos) return ".";
    std::string directory = skinFilePath.substr(0, slash);
    while (!directory.empty() && directory.back() == '\\') directory.pop_back();
    return directory;
}

std::string SkinImagePath(const std::string& skinFilePath, const std::string& imageName) {
    if (!IsBarePictureName(imageName)) return std::string();
    return SkinDirectory(skinFilePath) + "\\" + imageName;
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ".";
    return SkinDirectory(path);
}

CustomSkin UseCustomSkin(const std::string& path) {
    std::string text;
    const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    // A link, or a second name of a file elsewhere, is no skin of the user's: its text would show.
    const bool usable = exists && skinfile::ReadPlain(path, text, kMaxDescriptionBytes) && HasMainScreenSection(text);
    std::lock_guard<std::mutex> guard(g_customLock);
    g_custom = usable;
    g_customDescription = usable ? std::move(text) : std::string();
    return usable ? CustomSkin::Used : exists ? CustomSkin::Unusable : CustomSkin::Absent;
}

bool LoadSkinDescription(HMODULE module, std::string& text) {
    text.clear();
    {
        std::lock_guard<std::mutex> guard(g_customLock);
        if (g_custom) {
            text = g_customDescription;
            return true;
        }
    }
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, "SKININI", "INI");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return false;
    text.assign(bytes, SizeofResource(module, found));
    return true;
}

SkinDescription::SkinDescription(std::string path, HMODULE module) : path_(std::move(path)) {
    const DWORD folder = GetFileAttributesA(SkinDirectory(path_).c_str());
    ready_ = folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) && LoadSkinDescription(module, text_);
}

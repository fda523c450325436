#include "skin/SkinSource.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "skin/SkinLine.h"

#include <io.h>

#include <map>
#include <mutex>

const char kSkinFileName[] = "profile";
const char kCustomSkinName[] = "skin.ini";

namespace {

std::mutex g_filesLock;
std::map<std::string, int> g_fileUsers;
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

bool WriteWhole(const std::string& path, const void* bytes, DWORD size) {
    bool whole = false;
    {
        tw::UniqueFile file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD wrote = 0;
        whole = WriteFile(file.get(), bytes, size, &wrote, nullptr) && wrote == size &&
                FlushFileBuffers(file.get());
    }
    if (!whole) DeleteFileA(path.c_str());
    return whole;
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
    const bool usable = exists && tw::ReadWholeFile(path, text) && HasMainScreenSection(text);
    std::lock_guard<std::mutex> guard(g_customLock);
    g_custom = usable;
    g_customDescription = usable ? std::move(text) : std::string();
    return usable ? CustomSkin::Used : exists ? CustomSkin::Unusable : CustomSkin::Absent;
}

bool WriteSkinDescription(HMODULE module, const std::string& path) {
    {
        std::lock_guard<std::mutex> guard(g_customLock);
        if (g_custom)
            return WriteWhole(path, g_customDescription.data(), static_cast<DWORD>(g_customDescription.size()));
    }
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, "SKININI", "INI");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, found);
    if (!bytes) return false;
    return WriteWhole(path, bytes, size);
}

SkinDescriptionFile::SkinDescriptionFile(std::string path, HMODULE module) : path_(std::move(path)) {
    std::lock_guard<std::mutex> guard(g_filesLock);
    if (g_fileUsers[path_]++ == 0) WriteSkinDescription(module, path_);
}

SkinDescriptionFile::~SkinDescriptionFile() {
    std::lock_guard<std::mutex> guard(g_filesLock);
    if (--g_fileUsers[path_] == 0) {
        g_fileUsers.erase(path_);
        DeleteFileA(path_.c_str());
    }
}

bool SkinDescriptionFile::Ready() const { return _access(path_.c_str(), 0) == 0; }

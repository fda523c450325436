#include "skin/SkinSource.h"

#include "platform/Handles.h"

#include <io.h>

#include <map>
#include <mutex>

const char kSkinFileName[] = "profile";

namespace {

std::mutex g_filesLock;
std::map<std::string, int> g_fileUsers;

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
    return SkinDirectory(skinFilePath) + "\\" + imageName;
}

bool WriteSkinDescription(HMODULE module, const std::string& path) {
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, "SKININI", "INI");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, found);
    if (!bytes) return false;
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

#include "test_registry.h"

#include <cstdio>
#include <stdexcept>

namespace testreg {

ScratchKey::ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    DeleteTreeQuietly(root_, path_);
    CreateKey(root_, path_);
}

ScratchKey::~ScratchKey() { DeleteTreeQuietly(root_, path_); }

PlantedValues::~PlantedValues() {
    for (auto& [key, name] : values_) {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
            RegDeleteValueA(h, name.c_str());
            RegCloseKey(h);
        }
    }
}

void PlantedValues::String(const std::string& key, const std::string& name, const std::string& value) {
    SetString(HKEY_LOCAL_MACHINE, key, name, value);
    values_.push_back({key, name});
}

void PlantedValues::Dword(const std::string& key, const std::string& name, DWORD value) {
    SetBytes(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, {static_cast<unsigned char>(value), 0, 0, 0});
    values_.push_back({key, name});
}

void CreateKey(HKEY root, const std::string& key) {
    HKEY h = nullptr;
    if (RegCreateKeyA(root, key.c_str(), &h) != ERROR_SUCCESS) throw std::runtime_error("cannot create " + key);
    RegCloseKey(h);
}

void SetBytes(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::vector<unsigned char>& data) {
    HKEY h = nullptr;
    if (RegCreateKeyA(root, key.c_str(), &h) != ERROR_SUCCESS) throw std::runtime_error("cannot create " + key);
    LONG rc = RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                             static_cast<DWORD>(data.size()));
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("cannot set " + key + " " + name);
}

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value, DWORD type) {
    std::vector<unsigned char> data(value.begin(), value.end());
    data.push_back(0);
    SetBytes(root, key, name, type, data);
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExA(h, name.empty() ? nullptr : name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

// Wide names, so keys the code page cannot spell go too (their narrow names would not open).
static void DeleteTreeQuietlyW(HKEY root, const wchar_t* key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        wchar_t name[256];
        for (;;) {
            DWORD size = 256;
            if (RegEnumKeyExW(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            DeleteTreeQuietlyW(h, name);
            HKEY left = nullptr;  // still there: it could not go, and asking again would loop
            if (RegOpenKeyExW(h, name, 0, KEY_READ, &left) != ERROR_SUCCESS) continue;
            RegCloseKey(left);
            break;
        }
        RegCloseKey(h);
    }
    RegDeleteKeyW(root, key);
}

void DeleteTreeQuietly(HKEY root, const std::string& key) {
    std::wstring wide(key.begin(), key.end());  // test keys are plain ASCII
    DeleteTreeQuietlyW(root, wide.c_str());
}

static void DumpKey(HKEY key, const std::string& path, Dump& out, std::vector<std::string>& keys) {
    keys.push_back(path);
    for (DWORD i = 0;; ++i) {
        char name[1024];
        unsigned char data[65536];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        out[path + "|" + std::string(name, nameSize)] = {type, std::vector<unsigned char>(data, data + dataSize)};
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        DumpKey(sub, path + "\\" + name, out, keys);
        RegCloseKey(sub);
    }
}

Dump DumpTree(HKEY root, const std::string& path, std::vector<std::string>* keyList) {
    Dump out;
    std::vector<std::string> keys;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DumpKey(key, "", out, keys);
        RegCloseKey(key);
    }
    if (keyList) *keyList = keys;
    return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string ReadFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeFolders(const std::string& path) {
    for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void SetStopEvent(bool signalled) {
    // Kept open for the whole test run: a named event with no open handle is gone, and its state with it.
    static HANDLE h = CreateEventA(nullptr, TRUE, FALSE, "MOSSLIGHTSTOPSCANNING");
    if (signalled)
        SetEvent(h);
    else
        ResetEvent(h);
}

}  // namespace testreg

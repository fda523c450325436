// Planting registry keys and files for tests under Wine, and taking them away again.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace testreg {

// A key created for a test and deleted with all its sub-keys when the test ends.
class ScratchKey {
public:
    ScratchKey(HKEY root, std::string path);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::string& Path() const { return path_; }
    HKEY Root() const { return root_; }

private:
    HKEY root_;
    std::string path_;
};

// Values planted into existing keys of HKEY_LOCAL_MACHINE, removed again when the test ends.
class PlantedValues {
public:
    PlantedValues() = default;
    ~PlantedValues();
    PlantedValues(const PlantedValues&) = delete;
    PlantedValues& operator=(const PlantedValues&) = delete;
    void String(const std::string& key, const std::string& name, const std::string& value);
    void Dword(const std::string& key, const std::string& name, DWORD value);

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value,
               DWORD type = REG_SZ);
void SetBytes(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::vector<unsigned char>& data);
void CreateKey(HKEY root, const std::string& key);
bool KeyExists(HKEY root, const std::string& key);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
void DeleteTreeQuietly(HKEY root, const std::string& key);

// Every value under a key, by "sub-key path|value name" -> (type, bytes); keys lists every key path.
using Dump = std::map<std::string, std::pair<DWORD, std::vector<unsigned char>>>;
Dump DumpTree(HKEY root, const std::string& path, std::vector<std::string>* keys = nullptr);

// Files on the prefix's C: drive.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeFolders(const std::string& path);

// Sets or clears the named stop event.
void SetStopEvent(bool signalled);

}  // namespace testreg

// Shared by the backup tests: planted errors of every category, a registry dump that does not use
// the code under test, and a clean backup folder.
#pragma once

#include "doctest.h"

#include "maintenance/BackupFolder.h"
#include "maintenance/BackupFormat.h"
#include "maintenance/BackupSignature.h"
#include "maintenance/RegistryBackup.h"
#include "registry/RegistryLib.h"
#include "test_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace backuptest {

// "K <path>" for a key, "V <path>|<name>" for a value (type and raw bytes as its content).
using Tree = std::map<std::string, std::string>;

inline std::string KeyId(const std::string& path) { return "K " + path; }
inline std::string ValueId(const std::string& path, const std::string& name) { return "V " + path + "|" + name; }
inline std::string Content(DWORD type, const std::string& bytes) { return std::to_string(type) + ":" + bytes; }
inline std::string StringData(const std::string& s) { return Content(REG_SZ, s + std::string(1, '\0')); }

inline HKEY Root(const std::string& name) { return CRegistryLib::RootKey(name); }

// Reads with the plain registry calls and buffers far larger than any planted value.
inline void DumpValues(HKEY key, const std::string& path, Tree& out, const std::string* only = nullptr) {
    std::vector<char> name(32768);
    std::vector<BYTE> data(1 << 20);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        std::string n(name.data(), nameSize);
        if (only && n != *only) continue;
        out[ValueId(path, n)] = Content(type, std::string(reinterpret_cast<char*>(data.data()), dataSize));
    }
}

inline void DumpTree(HKEY root, const std::string& rootName, const std::string& sub, Tree& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    const std::string path = rootName + "\\" + sub;
    out[KeyId(path)] = "";
    DumpValues(key, path, out);
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DumpTree(root, rootName, sub + "\\" + std::string(name, size), out);
    }
    RegCloseKey(key);
}

inline void DumpValue(const std::string& rootName, const std::string& sub, const std::string& name, Tree& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(Root(rootName), sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DumpValues(key, rootName + "\\" + sub, out, &name);
    RegCloseKey(key);
}

// Printable, with the bytes that are not: for messages only.
inline std::string Shown(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 200)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
        out += buf;
    }
    return s.size() > 200 ? out + "..." : out;
}

inline void CheckSameTree(const Tree& got, const Tree& expected) {
    for (const auto& e : expected) {
        auto it = got.find(e.first);
        CHECK_MESSAGE(it != got.end(), "missing: " << e.first);
        if (it != got.end())
            CHECK_MESSAGE(it->second == e.second,
                          "differs: " << e.first << ": " << Shown(it->second) << " instead of " << Shown(e.second));
    }
    for (const auto& g : got) CHECK_MESSAGE(expected.count(g.first) == 1, "unexpected: " << g.first);
}

const char kClassPath[] = "CLSID\\{B4C0FFEE-0000-4000-8000-00000000BACC}";
const char kAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\twbackup.exe";
const char kToolPath[] = "SOFTWARE\\Microsoft\\Shared Tools\\TwBackupTool";
const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kDrivers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\help";
const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kRun[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";
const char kUninstallPath[] = "Software\\Microsoft\\Windows\\Currentversion\\Uninstall\\twbackup";
const char kLargeValueName[] = "TwBackupLarge";

inline std::string LargeData() {
    std::string s(70000, '\0');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

inline std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// One planted error of each category, as the scanners report them, and a class key holding every
// value type, empty names and data, non-ASCII names, long names and nested sub-keys.
struct PlantedErrors {
    ErrorList records;
    std::vector<std::pair<std::string, std::string>> watchedValues;  // (full key path, value name)

    // A string without its terminating zero is planted only when asked for: a registry editor adds
    // the zero when it imports one, so an exported file cannot bring it back byte for byte.
    explicit PlantedErrors(bool withUnterminatedString = true) {
        Clean();
        const std::string cls = kClassPath;
        using testreg::SetBytes;
        using testreg::SetString;
        SetString(HKEY_CLASSES_ROOT, cls, "", "Tidewarp backup test class");
        SetBytes(HKEY_CLASSES_ROOT, cls, "none", REG_NONE, {});
        SetBytes(HKEY_CLASSES_ROOT, cls, "none with data", REG_NONE, {1, 2, 3});
        SetString(HKEY_CLASSES_ROOT, cls, "expand", "%SystemRoot%\\x.dll", REG_EXPAND_SZ);
        SetBytes(HKEY_CLASSES_ROOT, cls, "binary", REG_BINARY, {0, 0xff, 0x10});
        SetBytes(HKEY_CLASSES_ROOT, cls, "empty binary", REG_BINARY, {});
        SetBytes(HKEY_CLASSES_ROOT, cls, "dword", REG_DWORD, {0x0a, 0, 0, 0x80});
        SetBytes(HKEY_CLASSES_ROOT, cls, "big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 2});
        SetBytes(HKEY_CLASSES_ROOT, cls, "multi", REG_MULTI_SZ, Bytes(std::string("a\0\0b\0\0", 6)));
        SetBytes(HKEY_CLASSES_ROOT, cls, "qword", 11, {1, 2, 3, 4, 5, 6, 7, 8});
        SetBytes(HKEY_CLASSES_ROOT, cls, "resource list", 8, {9, 9});
        SetBytes(HKEY_CLASSES_ROOT, cls, "odd type", 0x1234, {7});
        SetBytes(HKEY_CLASSES_ROOT, cls, "empty string", REG_SZ, {});
        SetBytes(HKEY_CLASSES_ROOT, cls, "zero inside", REG_SZ, Bytes(std::string("a\0b\0", 4)));
        SetBytes(HKEY_CLASSES_ROOT, cls, "expand zero inside", REG_EXPAND_SZ, Bytes(std::string("%a%\0b\0", 6)));
        if (withUnterminatedString) SetBytes(HKEY_CLASSES_ROOT, cls, "unterminated", REG_SZ, Bytes("abc"));
        SetString(HKEY_CLASSES_ROOT, cls, "caf\xe9 \"q\" \\ [x]", "\xe9t\xe9 \"quoted\" C:\\path\\ line");
        SetString(HKEY_CLASSES_ROOT, cls, "lines", "one\r\ntwo");
        SetBytes(HKEY_CLASSES_ROOT, cls, "large", REG_BINARY, Bytes(LargeData()));
        SetString(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "", "C:\\tw-missing\\server.dll");
        SetString(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "ThreadingModel", "Both");
        SetString(HKEY_CLASSES_ROOT, cls + "\\ProgID", "", "Tidewarp.BackupTest.1");
        testreg::CreateKey(HKEY_CLASSES_ROOT, cls + "\\Empty");
        SetString(HKEY_CLASSES_ROOT, cls + "\\a\\b\\c\\d", "deep", "4 levels down");
        SetString(HKEY_CLASSES_ROOT, cls + "\\" + std::string(200, 'L'), "", "long name");
        SetString(HKEY_CLASSES_ROOT, cls + "\\Caf\xe9", "", "non-ASCII key name");
        Add("CLSID", "HKEY_CLASSES_ROOT\\" + cls, "KEY", "", "");

        SetString(HKEY_LOCAL_MACHINE, kAppPath, "", "C:\\tw-missing\\twbackup.exe");
        SetString(HKEY_LOCAL_MACHINE, kAppPath, "Path", "C:\\tw-missing");
        Add("APPPath", "HKEY_LOCAL_MACHINE\\" + std::string(kAppPath), "KEY", "", "");
        SetString(HKEY_LOCAL_MACHINE, kToolPath, "Path", "C:\\tw-missing\\tool.exe");
        SetString(HKEY_LOCAL_MACHINE, std::string(kToolPath) + "\\Sub", "x", "y");
        Add("SharedTools", "HKEY_LOCAL_MACHINE\\" + std::string(kToolPath), "KEY", "", "");

        SetBytes(HKEY_LOCAL_MACHINE, kSharedDlls, "C:\\tw-missing\\shared.dll", REG_DWORD, {3, 0, 0, 0});
        Add("SharedFile", "HKEY_LOCAL_MACHINE\\" + std::string(kSharedDlls), "VAL", "C:\\tw-missing\\shared.dll",
            "0x00000003 (3)");
        SetString(HKEY_LOCAL_MACHINE, kDrivers, "tw.backup", "twbackup.drv");
        Add("VxD", "HKEY_LOCAL_MACHINE\\" + std::string(kDrivers), "VAL", "tw.backup", "twbackup.drv");
        SetString(HKEY_LOCAL_MACHINE, kHelp, "twbackup.hlp", "C:\\tw-missing\\");
        Add("Help", "HKEY_LOCAL_MACHINE\\" + std::string(kHelp), "VAL", "twbackup.hlp", "C:\\tw-missing\\");
        SetString(HKEY_LOCAL_MACHINE, kFonts, "Tw Backup (TrueType)", "twbackup.ttf");
        Add("font", "HKEY_LOCAL_MACHINE\\" + std::string(kFonts), "VAL", "Tw Backup (TrueType)", "twbackup.ttf");
        SetString(HKEY_LOCAL_MACHINE, kRun, "TwBackup", "\"C:\\tw-missing\\run.exe\" /x");
        Add("Startup", "HKEY_LOCAL_MACHINE\\" + std::string(kRun), "VAL", "TwBackup", "\"C:\\tw-missing\\run.exe\" /x");
        // More than 16,383 bytes: it must be saved in full before the fix removes it.
        SetBytes(HKEY_LOCAL_MACHINE, kRun, kLargeValueName, REG_BINARY, Bytes(LargeData()));
        Add("Startup", "HKEY_LOCAL_MACHINE\\" + std::string(kRun), "VAL", kLargeValueName, "");
        SetString(HKEY_LOCAL_MACHINE, kUninstallPath, "UninstallString", "C:\\tw-missing\\unins.exe");
        SetString(HKEY_LOCAL_MACHINE, kUninstallPath, "DisplayName", "Tidewarp backup test");
        SetString(HKEY_LOCAL_MACHINE, kUninstallPath, "", "C:\\tw-missing\\default.exe");
        Add("Uninstall", "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallPath), "VAL", "UninstallString",
            "C:\\tw-missing\\unins.exe");
        // The unnamed value, as a listing names it.
        Add("Help", "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallPath), "VAL", "(Default)",
            "C:\\tw-missing\\default.exe");
        watchedValues.push_back({"HKEY_LOCAL_MACHINE\\" + std::string(kUninstallPath), "DisplayName"});
    }
    ~PlantedErrors() { Clean(); }
    PlantedErrors(const PlantedErrors&) = delete;
    PlantedErrors& operator=(const PlantedErrors&) = delete;

    void Add(const char* category, const std::string& path, const char* fix, const std::string& value,
             const std::string& text) {
        ErrorRecord r;
        r.SetCategory(category);
        r.SetKeyPath(path);
        r.SetFixKind(fix);
        r.SetItem("C:\\tw-missing\\item");
        r.SetValue(RegValueEntry{value.empty() ? "(Default)" : value, text, REG_SZ});
        records.push_back(r);
        if (std::string(fix) == "VAL") watchedValues.push_back({path, value == "(Default)" ? "" : value});
    }

    Tree Dump() const {
        Tree out;
        for (const ErrorRecord& r : records) {
            std::string sub = r.KeyPath();
            std::string root = CRegistryLib::SeperateMainKey(sub);
            if (r.FixKind() == "KEY") DumpTree(Root(root), root, sub, out);
        }
        for (const auto& w : watchedValues) {
            std::string sub = w.first;
            std::string root = CRegistryLib::SeperateMainKey(sub);
            DumpValue(root, sub, w.second, out);
        }
        return out;
    }

    // What a fix does with each record.
    void Remove() {
        CRegistryLib lib;
        for (const ErrorRecord& r : records) {
            std::string sub = r.KeyPath();
            std::string root = CRegistryLib::SeperateMainKey(sub);
            if (r.FixKind() == "KEY")
                lib.DeleteKey(root, sub);
            else
                lib.DeleteValue(root, sub, r.Value()->name);
        }
    }

    bool Present(const std::string& id) const {
        Tree now = Dump();
        return now.count(id) == 1;
    }

    void Clean() {
        testreg::DeleteTreeQuietly(HKEY_CLASSES_ROOT, kClassPath);
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kAppPath);
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kToolPath);
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, kUninstallPath);
        const std::pair<const char*, const char*> values[] = {{kSharedDlls, "C:\\tw-missing\\shared.dll"},
                                                              {kDrivers, "tw.backup"},
                                                              {kHelp, "twbackup.hlp"},
                                                              {kFonts, "Tw Backup (TrueType)"},
                                                              {kRun, "TwBackup"},
                                                              {kRun, kLargeValueName}};
        for (const auto& v : values) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, v.first, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
            RegDeleteValueA(key, v.second);
            RegCloseKey(key);
        }
    }
};

// An empty backup folder and no temporary backup file before and after a test.
struct BackupFolderScratch {
    BackupFolderScratch() { Clear(); }
    ~BackupFolderScratch() { Clear(); }
    static void Clear() {
        const std::string folder = BackupFolderPath();
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string path = folder + "\\" + found.cFileName;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryA(path.c_str());
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(folder.c_str());
        DeleteFileA(BackupTempName().c_str());
        RemoveDirectoryA(BackupTempName().c_str());
    }
};

inline ErrorList OneKeyRecord(const std::string& path) {
    ErrorList records(1);
    records[0].SetCategory("CLSID");
    records[0].SetKeyPath(path);
    records[0].SetFixKind("KEY");
    return records;
}

// The backup file names, in plain name order.
inline std::vector<std::string> BackupNames() {
    std::vector<std::string> names;
    for (const BackupFileInfo& f : ListBackupFiles(BackupFolderPath())) names.push_back(f.name);
    std::sort(names.begin(), names.end());
    return names;
}

// A folder as someone who may write it could leave it: two files that are no backups of this
// program (a foreign name, a name in 2099) holding a value under HKEY_LOCAL_MACHINE, both created
// "in 2099", and two own (signed) backups of kPlantedKey's "n" whose creation times run against
// their names.
// Under a key the scanners look at (shared tools), where a restore may write.
constexpr char kPlantedKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\TidewarpBackupTest";
constexpr const char* kFamilyKey = kPlantedKey;
constexpr char kForeignKey[] = "Software\\TidewarpPlantedByUser";
struct PlantedBackups {
    std::string evil = BackupFolderPath() + "\\evil.reg", future = BackupFolderPath() + "\\2099-01-01_00-00-00.reg";
    std::string older = BackupFolderPath() + "\\2001-01-01_00-00-00_001.reg";
    std::string newer = BackupFolderPath() + "\\2001-01-02_00-00-00.reg";
    PlantedBackups() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kForeignKey);
        backup::KeyRecord foreign;
        foreign.root = backup::kLocalMachine;
        foreign.path = kForeignKey;
        foreign.body.values = {{"Debugger", REG_SZ, std::string("cmd.exe\0", 8)}};
        testreg::MakeFolders(BackupFolderPath());
        // Wine keeps no creation time of its own, so the files are also written in that order.
        Plant(newer, {Own("newer")}, 2000);
        Plant(older, {Own("older")}, 2098);
        for (const std::string* own : {&newer, &older}) REQUIRE(backup::SignBackup(*own) == 0);
        for (const std::string* path : {&evil, &future}) Plant(*path, {foreign}, 2099);
    }
    ~PlantedBackups() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kForeignKey); }
    static backup::KeyRecord Own(const char* value) {
        backup::KeyRecord r;
        r.root = backup::kLocalMachine;
        r.path = kPlantedKey;
        r.body.values = {{"n", REG_SZ, std::string(value) + '\0'}};
        return r;
    }
    static void Plant(const std::string& path, const std::vector<backup::KeyRecord>& records, WORD year) {
        Sleep(20);
        testreg::WriteFile(path, backup::Encode(records));
        SYSTEMTIME t{};
        t.wYear = year;
        t.wMonth = t.wDay = 1;
        FILETIME created;
        SystemTimeToFileTime(&t, &created);
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, &created, nullptr, nullptr);
        CloseHandle(h);
    }
};

inline std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

inline std::string ReadString(HKEY root, const std::string& key, const std::string& name) {
    char buf[1024] = {};
    DWORD size = sizeof buf;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<no key>";
    LONG rc = RegQueryValueExA(h, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

// A value set through the wide functions, under a key path given in ASCII and a wide sub-key.
inline void SetWide(HKEY root, const std::string& key, const std::wstring& sub, const std::wstring& name,
                    const std::wstring& text) {
    HKEY h = nullptr;
    std::wstring path = std::wstring(key.begin(), key.end()) + (sub.empty() ? L"" : L"\\" + sub);
    REQUIRE(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == 0);
    RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}
// A scratch key removed through the wide functions, which also reach names the code page cannot
// spell (a narrow delete loop would meet "??" for ever).
struct WideScratchKey {
    std::wstring path;
    explicit WideScratchKey(const std::wstring& p) : path(p) { Delete(HKEY_LOCAL_MACHINE, path); }
    ~WideScratchKey() { Delete(HKEY_LOCAL_MACHINE, path); }
    static LONG Delete(HKEY root, const std::wstring& key) {
        HKEY h = nullptr;
        wchar_t name[512];
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return 1;
        for (DWORD n = 512; RegEnumKeyExW(h, 0, name, &n, nullptr, nullptr, nullptr, nullptr) == 0 && !Delete(h, name);)
            n = 512;
        RegCloseKey(h);
        return RegDeleteKeyW(root, key.c_str());
    }
};
// The user's answer to the question about a backup without a valid signature, and what it was told.
struct Answer {
    bool yes = true;
    std::vector<std::string> problems;
    ConfirmUnsigned Confirm() {
        return [this](const std::string&, const std::string& problem) {
            problems.push_back(problem);
            return yes;
        };
    }
};

const wchar_t kChinese[] = L"\u4e2d\u6587";  // no form in the Western code page: "??" in narrow text

}  // namespace backuptest

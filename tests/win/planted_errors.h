// Broken entries of every registry category, planted where the scanners look and removed again
// when the test ends (whatever a fix left of them).
#pragma once

#include "test_links.h"
#include "test_registry.h"

#include <memory>
#include <string>
#include <vector>

extern const char kUninstall[];
extern const char kWindows[];
// Wine's own four fonts that no fix can remove, as "ignore.lst" lines: a scan of the test prefix
// with this ignore list finds the planted errors only.
extern const char kWineFonts[];

// The current folder, and the number of backups a fix has left in its "Registry Backups".
std::string Here();
int BackupCount();

// A fix's files in the current folder ("ignore.lst", the backups, a "links" folder), removed
// before and after a test (the removal needs test_links.cpp).
struct CleanFolder {
    CleanFolder() { Clean(); }
    ~CleanFolder() { Clean(); }
    static void Clean() {
        DeleteFileA("ignore.lst");
        testlink::RemoveTree(Here() + "\\Registry Backups");
        DeleteFileA((Here() + "\\Registry Backups").c_str());
        testlink::RemoveTree(Here() + "\\links");
    }
};

struct PlantedErrors {
    std::vector<std::unique_ptr<testreg::ScratchKey>> keys;
    testreg::PlantedValues planted;
    std::vector<std::pair<std::string, std::string>> values;  // (key under HKLM, value name)
    const std::string clsid = "CLSID\\{7D1DE0F1-0000-4000-8000-0000000FIXTEST}";

    PlantedErrors();
    void Key(HKEY root, const std::string& path);
    void Value(const std::string& key, const std::string& name, const std::string& text);
};

// A broken entry in each of the current user's App Paths, Run and Uninstall keys, each beside a
// sound machine-wide twin of the same name; both removed before and after a test.
struct PerUserTwins {
    static constexpr char kName[] = "TwPerUser";
    static constexpr char kMissing[] = "C:\\tidewarp-missing\\";  // the per-user entries' folder
    static constexpr char kSound[] = "C:\\windows\\notepad.exe";  // what the twins name
    const std::string app = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TwPerUser.exe";
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TwPerUser";

    PerUserTwins();
    ~PerUserTwins() { Clean(); }
    void Clean() const;
};

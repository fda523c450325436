// The error vocabulary shared by the scanners, the fix passes, the ignore list and the screens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One registry value as a listing shows it. The unnamed value is called "(Default)".
struct RegValueEntry {
    std::string name;
    std::string text;
    std::uint32_t type = 0;
    // False when the name or the text lost characters on the way to the code page: the narrow
    // copy names something else, so nothing may be judged or removed on its strength.
    bool exact = true;
};

// One bad registry entry (or, with category "SHORTCUT", one broken shortcut file).
class ErrorRecord {
public:
    ErrorRecord() = default;
    ErrorRecord(const ErrorRecord& other);
    ErrorRecord& operator=(const ErrorRecord& other);
    ErrorRecord(ErrorRecord&&) noexcept = default;
    ErrorRecord& operator=(ErrorRecord&&) noexcept = default;
    virtual ~ErrorRecord() = default;

    const std::string& Category() const { return category_; }
    const std::string& KeyPath() const { return keyPath_; }
    const RegValueEntry* Value() const { return value_.get(); }
    const std::string& FixKind() const { return fixKind_; }
    const std::string& Item() const { return item_; }
    // The file the scan tested and whether it was tested with file-system redirection off: a fix
    // tests it again, the same way, just before the removal. Records no scan tested (from the
    // ignore list or a backup) have none and are not tested again. Kept in memory only.
    const std::string& TestedPath() const { return testedPath_; }
    bool TestedNative() const { return testedNative_; }

    void SetCategory(std::string s) { category_ = std::move(s); }
    void SetKeyPath(std::string s) { keyPath_ = std::move(s); }
    void SetValue(std::unique_ptr<RegValueEntry> v) { value_ = std::move(v); }
    void SetValue(const RegValueEntry& v) { value_ = std::make_unique<RegValueEntry>(v); }
    void SetFixKind(std::string s) { fixKind_ = std::move(s); }
    void SetItem(std::string s) { item_ = std::move(s); }
    void SetTestedFile(std::string path, bool nativeFiles) {
        testedPath_ = std::move(path);
        testedNative_ = nativeFiles;
    }

private:
    std::string category_;
    std::string keyPath_;
    std::unique_ptr<RegValueEntry> value_;
    std::string fixKind_;
    std::string item_;
    std::string testedPath_;
    bool testedNative_ = false;
};

using ErrorList = std::vector<ErrorRecord>;

// Whether a registry path names `key` itself or a key below it (letter case aside), so that
// removing `key` would remove it too. An empty path is never at or below anything.
bool IsKeyAtOrBelow(const std::string& path, const std::string& key);

// Whether a list (an ignore list) holds an entry of this item and category already.
bool HoldsEntry(const ErrorList& list, const ErrorRecord& entry);

// The outcome of one category in one scan; "fixed" is filled in by the fix pass of the same title.
struct CategorySummary {
    std::string title;
    std::int32_t examined = 0;
    std::int32_t found = 0;
    std::int32_t fixed = 0;
};

using SummaryList = std::vector<CategorySummary>;

// Fourteen selection fields, one per selectable category: 0 not selected, 1 selected,
// 2 its scanner is running, -1 its scanner has run. Fields 0, 2, 12 and 13 select nothing.
struct ScanSelection {
    enum Field {
        kClassRegistrations = 1,
        kSharedDlls = 3,
        kDrivers = 4,
        kHelpFiles = 5,
        kAppPaths = 6,
        kSharedTools = 7,
        kFonts = 8,
        kStartup = 9,
        kShortcuts = 10,
        kUninstall = 11,
        kFieldCount = 14,
    };
    std::int32_t field[kFieldCount] = {};
};

// Called on the scanning thread: (item path, status text, examined, found).
using ScanProgressCallback = void (*)(std::string item, std::string status, std::int32_t examined,
                                      std::int32_t found);

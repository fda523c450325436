// CRegistryLib: the one class through which the scan engine touches the registry. It owns the
// errors of the last scan and the ignore list, runs the scanners and (later) the fix passes.
#pragma once

#include "platform/Notifier.h"
#include "registry/ErrorRecord.h"
#include "registry/FileProbe.h"
#include "registry/PathCleanup.h"
#include "xml/XmlWriter.h"

#include <windows.h>

#include <string>
#include <vector>

// Told when the scan page should show and when each category's lamp lights and goes out.
// The main window implements it; the console program and the tests pass nothing.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void OnScanStarted() {}
    virtual void OnCategoryStarted(int /*number 1..9*/) {}
    virtual void OnCategoryFinished(int /*number 1..9*/) {}
};

class FixProgress;
class XmlReader;

class CRegistryLib {
public:
    CRegistryLib();
    virtual ~CRegistryLib();
    CRegistryLib(const CRegistryLib&) = delete;
    CRegistryLib& operator=(const CRegistryLib&) = delete;

    // --- state -----------------------------------------------------------------------------
    void SetProgressCallback(ScanProgressCallback callback) { progress_ = callback; }
    ScanProgressCallback ProgressCallback() const { return progress_; }
    const std::string& CurrentItem() const { return currentItem_; }
    void SetCurrentItem(std::string item) { currentItem_ = std::move(item); }
    ErrorList& Errors() { return errors_; }
    const ErrorList& Errors() const { return errors_; }
    ErrorList& IgnoreList() { return ignore_; }
    const ErrorList& IgnoreList() const { return ignore_; }
    bool Is9x() const { return is9x_; }
    void SetIs9x(bool is9x) { is9x_ = is9x; }  // the system family decides how keys are deleted
    const PathEnvironment& Environment() const { return *environment_; }
    // Which registry views the scanners walk under WOW64 (both unless a benchmark compares one).
    enum Views : unsigned { kView64 = 1, kView32 = 2, kBothViews = 3 };
    unsigned ScannedViews() const { return scannedViews_; }
    void SetScannedViews(unsigned views) { scannedViews_ = views; }
    // The system services the path cleanup uses; tests give a system with other folders.
    void SetEnvironment(const PathEnvironment& environment) { environment_ = &environment; }

    // --- registry paths and keys -----------------------------------------------------------
    // Splits "ROOT\sub\key" at the first backslash: returns ROOT and leaves "sub\key" in path.
    static std::string SeperateMainKey(std::string& path);
    // The predefined key of a root name (any letter case), or null when the name is unknown.
    static HKEY RootKey(const std::string& rootName);
    // The key a root and path name as records name it, as it is opened, changed and removed: a
    // HKEY_CLASSES_ROOT path means the machine-wide classes, taken under HKEY_LOCAL_MACHINE\Software\Classes
    // (subKey is adjusted). HKEY_CLASSES_ROOT itself merges the current user's classes over those,
    // so through it the user's class of the same name would be read or removed instead.
    static HKEY RecordRoot(HKEY root, std::string& subKey);
    static HKEY RecordRoot(const std::string& rootName, std::string& subKey) {
        return RecordRoot(RootKey(rootName), subKey);
    }
    // Keys are opened by their physical path: under WOW64 in the 64-bit view, where a key of the
    // 32-bit view lies under its Wow6432Node path (records name it so); elsewhere as they are.
    // A HKEY_CLASSES_ROOT path is opened as RecordRoot says.
    static LONG OpenKey(const std::string& rootName, const std::string& subKey, HKEY* key);
    // A sub-key of an open key, in the same view.
    static LONG OpenSubKey(HKEY parent, const std::string& name, HKEY* key);
    static LONG CreateSubKey(HKEY parent, const std::string& name, HKEY* key);
    LONG DeleteValue(const std::string& rootName, const std::string& subKey, const std::string& valueName);
    LONG DeleteKey(const std::string& rootName, const std::string& subKey);
    static LONG DeleteTree(HKEY parent, const std::string& subKey);
    // The name of the sub-key at an index, whatever its length, in the code page. `exact`, when
    // given, tells whether the code page spells the name (otherwise `name` is a lossy copy that
    // would open another key or none).
    static LONG EnumSubKey(HKEY key, DWORD index, std::string& name, bool* exact = nullptr);

    // --- values ------------------------------------------------------------------------------
    // Every value of an open key, read in the wide form and converted to the code page; an entry
    // whose name or string data the code page cannot spell is listed with `exact` false.
    static void ListValues(HKEY key, std::vector<RegValueEntry>& list);
    // One value as a listing shows it, from its wide name and the data RegEnumValueW or
    // RegQueryValueExW returned (strings in UTF-16).
    static RegValueEntry MakeEntry(const std::u16string& name, DWORD type, const BYTE* data, DWORD size);
    // Value data read in the wide form as the narrow functions return it: strings converted to the
    // code page, other types unchanged. False when a string lost characters on the way.
    static bool NarrowValueData(DWORD type, const BYTE* data, DWORD size, std::string& narrow);
    static std::string RenderValue(DWORD type, const BYTE* data, DWORD length);
    static std::vector<unsigned char> ParseValue(const std::string& text, DWORD type);
    static std::string TypeName(DWORD type);
    static DWORD TypeFromName(const std::string& name);
    std::string FindIePath();
    // 0 when the file is accessible, ignored or out of reach (not on a local fixed drive that is
    // there now), -1 otherwise. `ignored`, when given, tells whether the answer 0 came from the
    // ignore list.
    int CheckFile(const std::string& path, int mode, bool* ignored = nullptr);
    // The file test of the scanners and of the fix's second look (see FileProbe). Drive types are
    // remembered until the next scan or fix.
    FileState TestFile(const std::string& path, bool nativeFiles) { return probe_.Test(path, nativeFiles); }

    // Entries the last scan could not check (their file is out of reach): never reported, listed
    // here as records would have been. A fix leaves their keys in place. ScanAll empties the list.
    const ErrorList& Unreachable() const { return unreachable_; }
    void NoteUnreachable(ErrorRecord record);

    // Keys in which the last scan passed over a missing file because it is on the ignore list
    // (the key path its record would have had). A fix leaves these keys, and those above them, in
    // place. ScanAll empties the list.
    void NoteIgnoredEntry(const std::string& keyPath);
    // Whether the key, or a key below it, holds an entry that the last scan passed over as ignored.
    bool HoldsIgnoredEntry(const std::string& keyPath) const;

    // --- scanning ----------------------------------------------------------------------------
    void ScanAll(SummaryList& summaries, ScanSelection& selection, ScanObserver* observer = nullptr);
    // The scanners, in the order ScanAll runs them. Each appends one summary (none when it is
    // stopped on entry or cannot read its key's information).
    void ScanClasses(SummaryList& summaries);
    void ScanSharedFiles(SummaryList& summaries);
    void ScanDrivers(SummaryList& summaries);
    void ScanHelpFiles(SummaryList& summaries);
    void ScanAppPaths(SummaryList& summaries);
    void ScanSharedTools(SummaryList& summaries);
    void ScanFonts(SummaryList& summaries);
    void ScanStartup(SummaryList& summaries);
    void ScanUninstall(SummaryList& summaries);

    // --- fixing ------------------------------------------------------------------------------
    // Five passes over the error list; each removal is written into the snapshot file first, and
    // the file is removed at the end. Records with an empty key path are passed over.
    // Each record the scan tested is tested again just before its removal; it stays when its file
    // is there now or cannot be checked, and so does a key that holds such a record.
    // progress hears of each record with a key path once, when its first pass is over.
    void FixAll(SummaryList& summaries, const std::string& snapshotFile, FixProgress* progress = nullptr);
    // Why the last FixAll left a record in place after testing it again.
    enum class LeftReason {
        FileExistsNow,         // its file is there now
        FileCannotBeChecked,   // its file is out of reach now
        KeyHoldsExistingFile,  // its key holds another record whose file is there or out of reach now
    };
    struct LeftRecord {
        std::size_t row;  // in the error list
        LeftReason reason;
    };
    const std::vector<LeftRecord>& LeftAtFix() const { return leftAtFix_; }
    // How many records the last FixAll saw go: removed by it, or already gone when it came to them
    // (a value of a key removed before it, a key listed twice). Each record counts once.
    std::size_t GoneAtFix() const { return goneAtFix_; }
    // What FixAll would do with each record (by row), found without removing or writing anything:
    // the same second look, in the same order, and each key or value looked up where FixAll would
    // remove it. LeftAtFix, GoneAtFix and the summaries' fixed counts are set as FixAll would set
    // them, a removal refused when its key is opened included.
    enum class PlannedFix {
        Nothing,  // an empty key path (kept, or left before the fix passes): FixAll passes over it
        Remove,   // the key (whole) or the value is removed
        Gone,     // nothing there to remove: gone already, or goes with a key removed before it
        Left,     // left in place by the second look (LeftAtFix says why)
        Refused,  // the key cannot be opened for the removal (access denied, most often)
    };
    std::vector<PlannedFix> PlanFix(SummaryList& summaries);
    // The second look can be turned off only to measure what it costs (bench/fix_bench.cpp).
    void SetRetestAtFix(bool on) { retestAtFix_ = on; }

    // --- snapshots -----------------------------------------------------------------------------
    bool SnapshotPath(XmlWriter& writer, const std::string& path, const RegValueEntry* entry);
    bool SaveKeyAsXml(XmlWriter& writer, const std::string& name, HKEY key, const RegValueEntry* entry);
    // Applies a snapshot file; false, with one message saying why and where, when the file is not a
    // whole snapshot or a key or value in it cannot be written (what came before stays applied).
    bool RestoreFromXml(XmlReader& reader, const std::string& file);
    HKEY LoadAsXml_OpenKey(const std::vector<std::string>& names);
    void LoadAsXml_SetValue(HKEY key, const std::string& name, const std::string& text, const std::string& typeName);

    // Messages for the user go to the notifier the caller gives (a message box in the window
    // program, stderr in the console program, a recorder in tests); with none, nothing is shown.
    void SetNotifier(tw::Notifier* notifier) { notifier_ = notifier; }
    void Notify(const std::string& text) {
        if (notifier_) notifier_->Notify(text);
    }

    // --- ignore list ("ignore.lst" in the current directory) -------------------------------
    void LoadIgnoreList();
    // 0 when the list is on disk; otherwise a Win32 error code and the old file is untouched.
    LONG SaveIgnoreList();
    bool IsIgnored(const std::string& path) const;

private:
    LONG FixRecord(const ErrorRecord& record, const char* keyText, const char* valueText, bool announceFirst,
                   bool backslashes);
    class Retest;


    ScanProgressCallback progress_ = nullptr;
    std::string currentItem_;
    ErrorList errors_;
    ErrorList ignore_;
    std::string ignoreUnpaired_;  // a last line of "ignore.lst" without its pair, kept for the rewrite
    std::vector<std::string> ignoredEntryKeys_;
    ErrorList unreachable_;
    std::vector<LeftRecord> leftAtFix_;
    std::size_t goneAtFix_ = 0;
    FileProbe probe_;
    bool retestAtFix_ = true;
    XmlWriter snapshot_;
    bool is9x_ = false;
    unsigned scannedViews_ = kBothViews;
    const PathEnvironment* environment_;
    tw::Notifier* notifier_ = nullptr;
};

extern const char kIgnoreFileName[];

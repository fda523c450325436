// What every registry scanner shares: the stop test, the counters, the record hand-over with its
// progress call, the summary, and the walk over a key's sub-keys.
#pragma once

#include "platform/Handles.h"
#include "registry/Categories.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"
#include "registry/ViewPath.h"

#include <functional>
#include <string>
#include <vector>

class CategoryScan {
public:
    CategoryScan(CRegistryLib& lib, const CategoryInfo& category)
        : lib_(lib), category_(category), nativeEnvironment_(lib.Environment()) {}

    // The test a scanner makes on entry: signalled means return at once, without a summary.
    bool StoppedOnEntry() const { return stop_.SignalledNow(); }
    // The test made before each key and value inside the walk.
    bool StopRequested() const { return stop_.StopRequested(); }
    void CountExamined() { ++examined_; }

    // True when the file is missing and not ignored. A missing file that is ignored, and a file out
    // of reach (see FileProbe), is noted against the key its record would have named, so that a fix
    // leaves that key in place; one out of reach is also listed (CRegistryLib::Unreachable).
    // Tested in the file view of the key being walked (SetNativeFiles).
    bool IsMissing(const std::string& path, const std::string& recordKeyPath, const RegValueEntry& entry) {
        return IsMissing(path, recordKeyPath, entry, nativeFiles_);
    }
    bool IsMissing(const std::string& path, const std::string& recordKeyPath, const RegValueEntry& entry,
                   bool nativeFiles);
    bool NativeFiles() const { return nativeFiles_; }
    // The environment that turns an entry's text into a path: a 64-bit program's for native files.
    const PathEnvironment& Environment(bool nativeFiles) const {
        return nativeFiles ? nativeEnvironment_ : lib_.Environment();
    }
    const PathEnvironment& Environment() const { return Environment(nativeFiles_); }
    // Whether the entries now walked name files of the 64-bit system (64-bit view and shared keys
    // under WOW64): those are tested with file-system redirection off.
    void SetNativeFiles(bool native) { nativeFiles_ = native; }

    // Appends the record, with the file tested for it, and counts it as found.
    void Report(const std::string& keyPath, const RegValueEntry& entry, const std::string& item) {
        Report(keyPath, entry, item, nativeFiles_);
    }
    void Report(const std::string& keyPath, const RegValueEntry& entry, const std::string& item, bool nativeFiles);

    // The progress call made after each entry a scanner looked at.
    void Progress(const std::string& path) const;

    void AppendSummary(SummaryList& summaries) const;

    std::int32_t Examined() const { return examined_; }
    std::int32_t Found() const { return found_; }
    CRegistryLib& Lib() { return lib_; }

private:
    CRegistryLib& lib_;
    const CategoryInfo& category_;
    StopMonitor stop_;
    std::int32_t examined_ = 0;
    std::int32_t found_ = 0;
    ErrorRecord MakeRecord(const std::string& keyPath, const RegValueEntry& entry, const std::string& item,
                           bool nativeFiles) const;

    bool nativeFiles_ = false;
    NativeProgramFolders nativeEnvironment_;
};

enum class WalkResult { Completed, Stopped };

// Whether the key's information (sub-key count, longest name) can be read: a scanner that cannot
// read it for its top key returns without a summary.
bool CanQueryKey(HKEY key);

// Enumerates the sub-keys of an open key from index 0, testing the stop event before each step.
// An enumeration error ends the walk like the end of the list; empty names are passed over.
// `exact` is false for a name the code page cannot spell: such a key cannot be opened by name.
WalkResult ForEachSubKey(HKEY key, const CategoryScan& scan,
                         const std::function<void(const std::string& name, bool exact)>& visit);

// The default value of a key as a listing shows it: ("(Default)", text, type), with the text
// "(value not set)" (type 1 when there is no value) when it is missing or empty. Reads that one
// value (in its wide form) instead of listing them all.
RegValueEntry ReadDefaultValue(HKEY key);

// One key a scanner walks. On 32-bit Windows a scanner's key is one key; under WOW64 it is the key of
// each registry view, or one key when both views share it.
struct ViewedKey {
    tw::UniqueHKey key;  // opened by its physical path (CRegistryLib::OpenKey)
    std::string path;    // the physical path that records name: Wow6432Node for the 32-bit view
    bool nativeFiles;    // its entries name 64-bit files (see CategoryScan::SetNativeFiles)
};

// The keys of a full registry path ("HKEY_LOCAL_MACHINE\..."), 64-bit view first; empty when it
// opens in no view. A 32-bit view's key that cannot be opened by its physical path is left out:
// nothing found there could be removed or restored.
std::vector<ViewedKey> OpenKeyViews(const std::string& fullPath, unsigned views = CRegistryLib::kBothViews);

constexpr char kDefaultValueName[] = "(Default)";
constexpr char kValueNotSetText[] = "(value not set)";

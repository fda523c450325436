// What every registry scanner shares: the stop test, the counters, the record hand-over with its
// progress call, the summary, and the walk over a key's sub-keys.
#pragma once

#include "platform/Handles.h"
#include "registry/Categories.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"

#include <functional>
#include <string>

class CategoryScan {
public:
    CategoryScan(CRegistryLib& lib, const CategoryInfo& category) : lib_(lib), category_(category) {}

    // The test a scanner makes on entry: signalled means return at once, without a summary.
    bool StoppedOnEntry() const { return stop_.SignalledNow(); }
    // The test made before each key and value inside the walk.
    bool StopRequested() const { return stop_.StopRequested(); }
    void CountExamined() { ++examined_; }

    // True when the file is missing and not ignored. A missing file that is ignored is noted
    // against the key its record would have named, so that a fix leaves that key in place.
    bool IsMissing(const std::string& path, const std::string& recordKeyPath);

    // Appends the record and counts it as found.
    void Report(const std::string& keyPath, const RegValueEntry& entry, const std::string& item);

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

// Opens a key given as a full registry path ("HKEY_LOCAL_MACHINE\...").
LONG OpenKeyPath(const std::string& fullPath, tw::UniqueHKey& key);

constexpr char kDefaultValueName[] = "(Default)";
constexpr char kValueNotSetText[] = "(value not set)";

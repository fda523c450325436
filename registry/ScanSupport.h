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

    bool StopRequested() const { return stop_.IsSignalled(); }
    void CountExamined() { ++examined_; }

    // True when the file is missing and not ignored.
    bool IsMissing(const std::string& path) { return lib_.CheckFile(path, 0) == -1; }

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
    StopEvent stop_;
    std::int32_t examined_ = 0;
    std::int32_t found_ = 0;
};

enum class WalkResult { Completed, Stopped, QueryFailed };

// Enumerates the sub-keys of an open key from index 0, testing the stop event before each step.
// An enumeration error ends the walk like the end of the list; empty names are passed over.
WalkResult ForEachSubKey(HKEY key, const CategoryScan& scan, const std::function<void(const std::string&)>& visit);

// Opens a key given as a full registry path ("HKEY_LOCAL_MACHINE\...").
LONG OpenKeyPath(const std::string& fullPath, tw::UniqueHKey& key);

constexpr char kDefaultValueName[] = "(Default)";
constexpr char kValueNotSetText[] = "(value not set)";

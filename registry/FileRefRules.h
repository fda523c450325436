// How each file-reference, start-up and uninstall category turns one listed value into the path it
// tests. Kept apart from the walks so every rule can be read (and measured) on its own.
#pragma once

#include "registry/ErrorRecord.h"
#include "registry/PathCleanup.h"

#include <string>

// What a category makes of one listed entry.
struct EntryDecision {
    enum Kind {
        Skip,          // passed over: no test, no progress call
        ProgressOnly,  // looked at but not tested
        Test,          // tested with CheckFile
    } kind = Skip;
    std::string path;
};

// category: 2..9 (the class scanner has its own walk). Any other number skips every entry, and so
// does an entry that is not exact, or whose data would have to name the file but is not a string.
EntryDecision DecideEntry(int category, const RegValueEntry& entry, const PathEnvironment& env);

// Whether a path can be tested: '?' is part of no file name, so a path holding one came from text
// (an expanded variable, a system folder) that the code page could not spell; it names another
// file, and its absence says nothing. The "\\?\" prefix of a device path does not count.
bool IsTestablePath(const std::string& path);

// Whether data of this registry type can name a file: REG_SZ and REG_EXPAND_SZ. A REG_MULTI_SZ
// holds several strings, never one path; numbers and bytes are no paths at all.
bool NamesFile(std::uint32_t type);

// What the console program prints: scan results and the ignore list, as JSON or as text.
#pragma once

#include "registry/ErrorRecord.h"

#include <string>
#include <vector>

struct ShortcutReport {
    bool scanned = false;
    std::vector<std::string> broken;  // in walk order
    std::int32_t examined = 0;
    std::int32_t deleted = 0;
};

// A row that a fix left in place although it was to be removed, and why. Rows count as in the
// window's result list: the registry errors first, then the broken shortcuts.
struct LeftInPlace {
    std::size_t row;
    std::string category;
    std::string key;  // empty for a shortcut
    std::string item;
    std::string reason;
};

// An entry whose file the scan could not check (out of reach: not on a local fixed drive that is
// there now). Never reported as an error, never removed.
struct UnreachableEntry {
    std::string category;
    std::string key;        // empty for a shortcut
    bool hasValue = false;  // a registry value, named valueName
    std::string valueName;
    std::string item;    // the file tested; for a shortcut, the link
    std::string target;  // for a shortcut, the target it names
};

// A fix passes the rows it left in place (an empty list included); a scan passes none, and its
// report has no such part.
std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable,
                           const std::vector<LeftInPlace>* left = nullptr);
std::string ScanReportText(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable,
                           const std::vector<LeftInPlace>* left = nullptr);

std::string IgnoreListJson(const ErrorList& ignored);
std::string IgnoreListText(const ErrorList& ignored);

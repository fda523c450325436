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

// A row that a fix left in place although it was to be removed, and why. Rows are numbered as the
// window lists them: the error list first, then the broken shortcuts.
struct LeftInPlace {
    std::size_t row;
    std::string reason;
};

// A fix passes the rows it left in place (an empty list included); a scan passes none, and its
// report has no such part.
std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<LeftInPlace>* left = nullptr);
std::string ScanReportText(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<LeftInPlace>* left = nullptr);

std::string IgnoreListJson(const ErrorList& ignored);
std::string IgnoreListText(const ErrorList& ignored);

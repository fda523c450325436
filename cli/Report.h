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

std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts);
std::string ScanReportText(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts);

std::string IgnoreListJson(const ErrorList& ignored);
std::string IgnoreListText(const ErrorList& ignored);

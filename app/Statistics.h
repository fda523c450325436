// The usage statistics the main window keeps in the product settings key: errors removed and scans
// started over all runs, and when the program was last closed.
#pragma once

#include <ctime>
#include <string>

inline constexpr const char kErrorsRemovedValue[] = "totalerrorrem";
inline constexpr const char kScanCountValue[] = "totalscan";
inline constexpr const char kLastScanValue[] = "lastscan";

struct UsageStatistics {
    int errorsRemoved = 0;
    int scanCount = 0;
};

// "%d/%d/%d %d:%d": day of month, month (1 to 12), four-digit year, hour, minute, no leading
// zeros. Without a time: "0/0/0 -1:-1".
std::string LastScanText(const std::tm* local);

// Both counters from the settings key; a missing or mistyped value is written back as 0. Without
// the key both are 0.
UsageStatistics ReadUsageStatistics();
// The counters and "lastscan" for the local time now, each written only when the key opens (the
// key is not created).
void WriteUsageStatistics(const UsageStatistics& statistics);

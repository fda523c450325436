#include "app/Statistics.h"

#include <cstdio>

std::string LastScanText(const std::tm* local) {
    int day = 0, month = 0, year = 0, hour = -1, minute = -1;
    if (local) {
        day = local->tm_mday;
        month = local->tm_mon + 1;
        year = local->tm_year + 1900;
        hour = local->tm_hour;
        minute = local->tm_min;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d", day, month, year, hour, minute);
    return text;
}

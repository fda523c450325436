#include "doctest.h"

#include "app/Statistics.h"

TEST_CASE("lastscan: day first, no leading zeros; no time gives zeros and -1") {
    std::tm t{};
    t.tm_mday = 7;
    t.tm_mon = 2;
    t.tm_year = 126;
    t.tm_hour = 21;
    t.tm_min = 5;
    CHECK(LastScanText(&t) == "7/3/2026 21:5");
    t = std::tm{};
    t.tm_mday = 31;
    t.tm_mon = 11;
    t.tm_year = 99;
    CHECK(LastScanText(&t) == "31/12/1999 0:0");
    CHECK(LastScanText(nullptr) == "0/0/0 -1:-1");
}

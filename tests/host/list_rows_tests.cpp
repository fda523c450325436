#include "doctest.h"

#include "skin/ListRows.h"

TEST_CASE("sorting a list by a column") {
    const std::vector<std::vector<std::string>> rows = {{"b", "2"}, {"A", "1"}, {"a", "3"}, {"c"}, {"B", "0"}};
    SUBCASE("letter case aside, ties keep their order") {
        CHECK(SortedOrder(rows, 0, false) == std::vector<std::size_t>{1, 2, 0, 4, 3});
    }
    SUBCASE("again reverses") { CHECK(SortedOrder(rows, 0, true) == std::vector<std::size_t>{3, 4, 0, 2, 1}); }
    SUBCASE("a missing cell sorts first; a prefix before the longer text") {
        CHECK(SortedOrder(rows, 1, false) == std::vector<std::size_t>{3, 4, 1, 0, 2});
        CHECK(SortedOrder({{"ab"}, {"a"}}, 0, false) == std::vector<std::size_t>{1, 0});
    }
    SUBCASE("no rows") { CHECK(SortedOrder({}, 0, false).empty()); }
}

TEST_CASE("a row's info tip holds every full text under its column's title") {
    const std::vector<std::string> titles = {"Error", "File", "Location"};
    CHECK(RowTip(titles, {"Invalid CLSID", "C:\\a.dll", "HKEY_CLASSES_ROOT\\CLSID\\{1} (whole key)"}) ==
          "Error: Invalid CLSID\nFile: C:\\a.dll\nLocation: HKEY_CLASSES_ROOT\\CLSID\\{1} (whole key)");
    CHECK(RowTip(titles, {"a"}) == "Error: a");
    CHECK(RowTip({"Error"}, {"a", "b"}) == "Error: a");
    CHECK(RowTip(titles, {}) == "");
}

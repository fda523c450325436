#include "doctest.h"

#include "registry/IgnoreFile.h"

using ignorefile::Entry;
using ignorefile::Parse;
using ignorefile::Serialize;

namespace {
bool Same(const std::vector<Entry>& a, const std::vector<Entry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].item != b[i].item || a[i].category != b[i].category) return false;
    return true;
}
}  // namespace

TEST_CASE("the list is written as text-mode line pairs and reads back") {
    std::vector<Entry> list{{"C:\\x\\gone.dll", "CLSID"}, {"C:\\Users\\a\\Desktop\\old.lnk", "SHORTCUT"}, {"", ""}};
    std::string bytes = Serialize(list);
    CHECK(bytes == "C:\\x\\gone.dll\r\nCLSID\r\nC:\\Users\\a\\Desktop\\old.lnk\r\nSHORTCUT\r\n\r\n\r\n");
    CHECK(Same(Parse(bytes), list));
    CHECK(Serialize({}).empty());
    CHECK(Parse("").empty());
}

TEST_CASE("files written by other tools read as the text-mode stream would") {
    // Plain LF line ends work as well as CR LF.
    CHECK(Same(Parse("a\nCLSID\n"), {{"a", "CLSID"}}));
    // An odd number of lines: the unpaired last line is dropped.
    CHECK(Same(Parse("a\r\nCLSID\r\nb\r\n"), {{"a", "CLSID"}}));
    // A last line without its line feed loses its last character instead.
    CHECK(Same(Parse("a\r\nCLSID"), {{"a", "CLSI"}}));
    // A lone CR is part of the line; Ctrl-Z ends the text.
    CHECK(Same(Parse("a\rb\r\nX\r\n"), {{"a\rb", "X"}}));
    CHECK(Same(Parse("a\r\nX\r\n\x1a" "b\r\nY\r\n"), {{"a", "X"}}));
    // A line that is only a line feed gives an empty field.
    CHECK(Same(Parse("\r\n\r\n"), {{"", ""}}));
    // An embedded zero byte ends the field, like the C string it is read into; no underflow.
    CHECK(Same(Parse(std::string("ab\0cd\r\n\0\r\n", 10)), {{"a", ""}}));
}

TEST_CASE("a line longer than 999 characters is read in pieces that shift the pairing") {
    std::string longItem(1500, 'x');
    std::string bytes = longItem + "\r\nCLSID\r\nnext\r\nHelp\r\n";
    auto list = Parse(bytes);
    // Pieces: 999 x's, then 501 x's and the line feed, "CLSID", "next", "Help".
    REQUIRE(list.size() == 2);
    CHECK(list[0].item == std::string(998, 'x'));
    CHECK(list[0].category == std::string(501, 'x'));
    CHECK(list[1].item == "CLSID");
    CHECK(list[1].category == "next");

    // Exactly 999 characters and its line feed: the line feed is a piece of its own.
    std::string edge(999, 'y');
    auto l2 = Parse(edge + "\r\nCAT\r\n");
    REQUIRE(l2.size() == 1);
    CHECK(l2[0].item == std::string(998, 'y'));
    CHECK(l2[0].category == "");
    // 998 characters and the line feed fill the buffer exactly.
    auto l3 = Parse(std::string(998, 'z') + "\r\nCAT\r\n");
    REQUIRE(l3.size() == 1);
    CHECK(l3[0].item == std::string(998, 'z'));
    CHECK(l3[0].category == "CAT");
}

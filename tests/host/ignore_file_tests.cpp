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

TEST_CASE("lines of any length are read whole") {
    std::string longItem(1500, 'x');
    auto list = Parse(longItem + "\r\nCLSID\r\nnext\r\nHelp\r\n");
    REQUIRE(list.size() == 2);
    CHECK(list[0].item == longItem);
    CHECK(list[0].category == "CLSID");
    CHECK(list[1].item == "next");
    // Both sides of the old 1000-byte buffer.
    for (std::size_t n : {998u, 999u, 1000u}) {
        auto l = Parse(std::string(n, 'y') + "\r\nCAT\r\n");
        REQUIRE(l.size() == 1);
        CHECK(l[0].item == std::string(n, 'y'));
        CHECK(l[0].category == "CAT");
    }
}

TEST_CASE("fields holding line breaks, Ctrl-Z or zero bytes are escaped and read back the same") {
    std::vector<Entry> list{{"C:\\a.dll\r\nC:\\b.dll", "CLSID"}, {"x\ny%41", "cat\r"},
                            {std::string("z\x1a\0", 3), "100%"}, {"C:\\plain.dll", "Help"}};
    std::string bytes = Serialize(list);
    CHECK(Same(Parse(bytes), list));
    // Eight lines, one per field: a reader that stops at the zero byte keeps the pairs.
    std::size_t lines = 0;
    for (std::size_t i = bytes.find("\r\n"); i != std::string::npos; i = bytes.find("\r\n", i + 2)) ++lines;
    CHECK(lines == 8);
    const std::string zero(1, '\0');
    CHECK(bytes.find(zero + "C:\\a.dll%0D%0AC:\\b.dll\r\nCLSID\r\n" + zero + "x%0Ay%2541\r\n") == 0);
    // Plain fields, '%' included, are written as before; a '%' without two hex digits stands for itself.
    CHECK(bytes.substr(bytes.size() - 20) == "C:\\plain.dll\r\nHelp\r\n");
    CHECK(Serialize({{"100%", "%41"}}) == "100%\r\n%41\r\n");
    CHECK(Same(Parse(zero + "a%4\r\n" + zero + "%zz%41\r\n"), {{"a%4", "%zzA"}}));
}

TEST_CASE("an unpaired last line is kept for the rewrite") {
    std::string tail;
    CHECK(Same(Parse("a\r\nCLSID\r\nb\r\n", &tail), {{"a", "CLSID"}}));
    CHECK(tail == "b\n");
    CHECK(Serialize({{"a", "CLSID"}, {"c", "Help"}}, tail) == "a\r\nCLSID\r\nc\r\nHelp\r\nb\r\n");
    // Without its line feed it still comes back whole, and then stays as it is.
    Parse("a\r\nCLSID\r\nb", &tail);
    CHECK(tail == "b");
    CHECK(Serialize({}, tail) == "b\r\n");
    Parse("a\r\nCLSID\r\n", &tail);
    CHECK(tail.empty());
}

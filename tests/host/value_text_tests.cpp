#include "doctest.h"

#include "registry/ValueText.h"

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
using valuetext::Parse;
using valuetext::Render;

namespace {
std::string R(std::uint32_t type, const Bytes& b) { return Render(type, b.data(), b.size()); }
}  // namespace

TEST_CASE("numbers render in hex with their decimal value and parse back") {
    CHECK(R(4, {10, 0, 0, 0}) == "0x0000000a (10)");
    CHECK(R(4, {0xff, 0xff, 0xff, 0xff}) == "0xffffffff (-1)");
    CHECK(Parse("0xffffffff (-1)", 4) == Bytes{0xff, 0xff, 0xff, 0xff});
    CHECK(Parse("0x12345678 (305419896)", 4) == Bytes{0x78, 0x56, 0x34, 0x12});
    CHECK(Parse("0xABCDEF01", 4) == Bytes{0x01, 0xef, 0xcd, 0xab});  // either letter case
    CHECK(Parse("", 4) == Bytes(4, 0));

    // big-endian: bytes in stored order, value read big-endian
    CHECK(R(5, {0, 0, 0, 10}) == "0x0000000a (10)");
    CHECK(R(5, {0x80, 0, 0, 0}) == "0x80000000 (-2147483648)");

    CHECK(R(11, {1, 2, 3, 4, 5, 6, 7, 8}) == "0x0807060504030201");
    CHECK(Parse("0x0807060504030201", 11) == Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    CHECK(Parse("", 11) == Bytes(8, 0));
}

TEST_CASE("numbers are read as decimal or 0x-hex; anything else is refused") {
    CHECK(Parse("12345", 4) == Bytes{0x39, 0x30, 0, 0});
    CHECK(Parse("0x1", 4) == Bytes{1, 0, 0, 0});
    CHECK(Parse("4294967295", 4) == Bytes(4, 0xff));
    CHECK(Parse("-1", 4) == Bytes(4, 0xff));
    CHECK(Parse("-2147483648", 4) == Bytes{0, 0, 0, 0x80});
    CHECK(Parse("-1", 11) == Bytes(8, 0xff));
    CHECK(Parse("18446744073709551615", 11) == Bytes(8, 0xff));
    CHECK(Parse("0xffffffffffffffff", 11) == Bytes(8, 0xff));
    CHECK(Parse("0x8000000000000001 (-9223372036854775807)", 11) == Bytes{1, 0, 0, 0, 0, 0, 0, 0x80});
    for (const char* bad : {"x", "1 2", " 1", "1 ", "+1", "0x", "0x123456789", "4294967296", "-2147483649",
                            "0x0000000a (11)", "0x0000000a (10", "0x0000000a(10)", "10 ()", "1e3", "0x1g"}) {
        CAPTURE(bad);
        CHECK(Parse(bad, 4).empty());
    }
    for (const char* bad : {"18446744073709551616", "-9223372036854775809", "0x00000000000000001", "abc"}) {
        CAPTURE(bad);
        CHECK(Parse(bad, 11).empty());
    }
}

TEST_CASE("short or missing data never reads past what was given") {
    // A REG_DWORD of two bytes, a REG_QWORD of three: the missing bytes read as zero.
    CHECK(R(4, {0x34, 0x12}) == "0x00001234 (4660)");
    CHECK(R(4, {}) == "0x00000000 (0)");
    CHECK(R(5, {0x12}) == "0x12000000 (301989888)");
    CHECK(R(11, {1, 2, 3}) == "0x0000000000030201");
    CHECK(Render(4, nullptr, 4) == "0x00000000 (0)");
    // A string without its terminator ends with the data.
    CHECK(R(1, {'a', 'b', 'c'}) == "abc");
    CHECK(R(2, {'x'}) == "x");
    CHECK(R(1, {}) == "");
    CHECK(R(1, {'a', 0, 'b'}) == "a");
    // REG_MULTI_SZ without one or both of its terminators keeps its last string.
    CHECK(R(7, {}) == "");
    CHECK(R(7, {'a'}) == "a");
    CHECK(R(7, {'a', 0}) == "a");
    CHECK(R(7, {'a', 0, 'b'}) == "a\r\nb");
    CHECK(R(7, {'a', 0, 0, 0}) == "a\r\n");  // an empty last string before the terminators
    // UTF-16 with an odd byte count or no terminator.
    CHECK(R(6, {'h', 0, 'i', 0, 'x'}) == "hi");
    CHECK(R(6, {'h', 0, 0, 0, 'z', 0}) == "h");
}

TEST_CASE("binary data renders as spaced lower-case hex and parses back") {
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<unsigned char>(i));
    for (std::uint32_t type : {3u, 8u, 10u}) {
        std::string text = R(type, all);
        CHECK(text.size() == 256 * 3 - 1);
        CHECK(text.substr(0, 11) == "00 01 02 03");
        CHECK(Parse(text, type) == all);
    }
    CHECK(R(3, {}) == "");
    CHECK(Parse("", 3) == Bytes{0});
    CHECK(Parse("AB cD", 3) == Bytes{0xab, 0xcd});
    // Anything but hex pairs separated by single spaces is refused (no data).
    for (const char* bad : {"zz", "a", "abc", "ab cd ", "ab  cd", "ab,cd", "0x1"}) {
        CAPTURE(bad);
        CHECK(Parse(bad, 3).empty());
    }
}

TEST_CASE("multi-strings show each string on its own line and parse back") {
    Bytes ab{'a', 0, 'b', 0, 0};
    CHECK(R(7, ab) == "a\r\nb");
    CHECK(Parse("a\r\nb", 7) == ab);
    CHECK(Parse("a\nb", 7) == ab);  // a bare line feed works as well
    CHECK(Parse("", 7) == Bytes{0});
    Bytes one{'o', 'n', 'e', 0, 0};
    CHECK(Parse(R(7, one), 7) == one);
}

TEST_CASE("strings parse with their terminator; types without a text form give no data") {
    CHECK(Parse("C:\\x", 1) == Bytes{'C', ':', '\\', 'x', 0});
    CHECK(Parse("%windir%", 2) == Bytes{'%', 'w', 'i', 'n', 'd', 'i', 'r', '%', 0});
    CHECK(Parse("", 1) == Bytes{0});
    CHECK(Parse("abc", 0).empty());
    CHECK(Parse("abc", 6).empty());
    CHECK(Parse("abc", 9).empty());
    CHECK(R(0, {'r', 'a', 'w', 0}) == "raw");
    CHECK(R(9, {'n', 'i', 0}) == "ni");
    CHECK(R(6, {'W', 0, 'i', 0, 0xe9, 0, 0, 0}) == "Wi\xe9");
}

TEST_CASE("type names are written and read back by number") {
    using valuetext::TypeFromName;
    using valuetext::TypeName;
    CHECK(TypeName(0) == "REG_SZ");
    CHECK(TypeName(6) == "REG_SZ");
    CHECK(TypeName(5) == "REG_DWORD");
    CHECK(TypeName(9) == "");
    CHECK(TypeName(12) == "");
    CHECK(TypeName(0xffffffffu) == "");
    for (std::uint32_t t : {1u, 2u, 3u, 4u, 7u, 8u, 10u, 11u}) CHECK(TypeFromName(TypeName(t)) == t);
    CHECK(TypeFromName("reg_dword") == 4);
    CHECK(TypeFromName("") == 1);
    CHECK(TypeFromName("REG_NONE") == 1);
}

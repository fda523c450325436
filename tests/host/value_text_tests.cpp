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
    // REG_MULTI_SZ shorter than its two terminators.
    CHECK(R(7, {}) == "");
    CHECK(R(7, {'a'}) == "");
    CHECK(R(7, {'a', 0}) == "");
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
    CHECK(Parse("zz", 3) == Bytes{0});  // not hex: reads as zero
    CHECK(Parse("a", 3).empty());       // too short to hold a byte
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

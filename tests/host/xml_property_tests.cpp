// Property: any attribute text, control characters included, escaped and written by XmlWriter,
// reads back through XmlReader and un-escaping unchanged, and the file stays well-formed.
#include "doctest.h"
#include "test_random.h"

#include "xml_round_trip.h"

#include <cstdint>
#include <string>

namespace {

using Random = TestRandom;

// Texts made mostly of the characters and pieces the reader and the escaping treat specially.
std::string RandomText(Random& rnd) {
    static const char* const kPieces[] = {
        "&",  "\"",  "<",  ">",  "'",  ";",  "&amp;",   "&lt;", "&gt;", "&quot;",    "&apos;", "&amp;amp;",
        "\r\n", "\r\n\r\n", " ", "=", "/", "?", "!--", "-->", "<![CDATA[", "]]>", "\t", "\x1a", "\xe9", "\xff",
        "a",  "name", "\r", "\n", "&#10;", "&#x2401;"};
    std::string s;
    std::size_t n = rnd.Below(24);
    for (std::size_t i = 0; i < n; ++i) {
        if (rnd.Below(4) == 0) {
            s += static_cast<char>(rnd.Below(256));
        } else {
            s += kPieces[rnd.Below(sizeof kPieces / sizeof kPieces[0])];
        }
    }
    return s;
}

}  // namespace

TEST_CASE("escaped attribute text survives the writer and the reader") {
    Random rnd{0x2545F491u};
    for (int i = 0; i < 3000; ++i) {
        std::string a = RandomText(rnd), b = RandomText(rnd);
        std::string why;
        CAPTURE(i);
        CAPTURE(a);
        CAPTURE(b);
        CHECK_MESSAGE(XmlAttributeRoundTrip(a, b, why), why);
    }
    std::string why;
    CHECK_MESSAGE(XmlAttributeRoundTrip("C:\\Bob's files", "a>b", why), why);
    CHECK_MESSAGE(XmlAttributeRoundTrip("", "\r\n", why), why);
    CHECK_MESSAGE(XmlAttributeRoundTrip(std::string(70000, 'x') + "\r\n" + std::string(70000, '>'), "", why), why);
}

// Lower-casing key names of a double-byte code page: only ASCII letters change, never the second
// byte of a double-byte character, whatever letter that byte happens to spell.
#include "doctest.h"

#include "platform/Text.h"

#include <string>

namespace {

// Code page 932 (Shift JIS): 81-9F and E0-FC start a double-byte character; A1-DF are the
// single-byte half-width katakana.
bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

TEST_CASE("key names of code page 932 keep their double-byte characters when lower-cased") {
    const struct {
        const char* name;
        const char* lower;
    } rows[] = {
        {"\x83\x41", "\x83\x41"},                                   // katakana A, trail byte 'A'
        {"\x83\x41\x83\x76\x83\x8A", "\x83\x41\x83\x76\x83\x8A"},   // "APURI" in katakana
        {"Setup\x83\x5A.EXE", "setup\x83\x5a.exe"},                  // trail 'Z' kept, letters after it lowered
        {"\x95\x5CTOOL", "\x95\x5Ctool"},                            // trail byte is a backslash
        {"\x81\x81" "AB", "\x81\x81" "ab"},                          // a trail byte in the lead range is no lead
        {"\x9F\x43\xE0\x43\xFC\x43", "\x9F\x43\xE0\x43\xFC\x43"},   // the lead range's ends
        {"\xB1" "A\xDF" "B\x80" "C\xFD" "D", "\xB1" "a\xDF" "b\x80" "c\xFD" "d"},  // single bytes above 7F
        {"APP\x83", "app\x83"},                                      // a lead byte with no trail byte
        {"", ""},
    };
    for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CAPTURE(i);
        CHECK(tw::ToLower(rows[i].name, IsCp932LeadByte) == rows[i].lower);
    }
}

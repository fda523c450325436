// The attribute property as a fuzz target: the input up to its first zero byte and the rest are
// two attribute texts; written and read back, they must come out unchanged, and the file between
// must hold no control character but its line ends.
#include "xml_round_trip.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t zero = input.find('\0');
    std::string a = input.substr(0, zero);
    std::string b = zero == std::string::npos ? std::string() : input.substr(zero + 1);
    std::string why;
    if (!XmlAttributeRoundTrip(a, b, why, "xml_attribute_fuzz.tmp")) {
        std::fprintf(stderr, "round trip failed: %s\n", why.c_str());
        __builtin_trap();
    }
    return 0;
}

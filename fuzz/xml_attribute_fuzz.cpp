// The attribute property as a fuzz target: the input up to its first zero byte and the rest are
// two attribute texts (other zero bytes dropped, lone CR and LF made CR LF pairs); written and read
// back, they must come out unchanged.
#include "xml_round_trip.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Normalize(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == 0) continue;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            out += "\r\n";
            ++i;
        } else if (c == '\r' || c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t zero = input.find('\0');
    std::string a = Normalize(input.substr(0, zero));
    std::string b = zero == std::string::npos ? std::string() : Normalize(input.substr(zero + 1));
    std::string why;
    if (!XmlAttributeRoundTrip(a, b, why, "xml_attribute_fuzz.tmp")) {
        std::fprintf(stderr, "round trip failed: %s\n", why.c_str());
        __builtin_trap();
    }
    return 0;
}

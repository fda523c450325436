// The skin description's INI text over arbitrary bytes, asked about pieces of itself: answers stay
// within the space they are given, listed keys are real keys, and the kind of line end (CR, LF or
// both, or none after the last line) changes no answer.
#include "skin/IniText.h"

#include <cstdint>
#include <string>

namespace {

std::string WithLineEnds(const std::string& text, const char* end) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += end;
        else out += c;
    }
    return out + end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const IniText ini(text), crlf(WithLineEnds(text, "\r\n")), cr(WithLineEnds(text, "\r"));
    const std::size_t capacity = size % 64 + 1;

    // Questions: the pieces between the format's marks, and a few fixed ones.
    std::vector<std::string> names{"", " ", "1"};
    std::string piece;
    for (char c : text) {
        if (c == '\n' || c == '=' || c == '[' || c == ']') {
            if (names.size() < 12) names.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    for (const std::string& section : names) {
        std::size_t used = 0;
        for (const std::string& key : ini.Keys(section, capacity)) {
            if (key.empty() || key[0] == ';') __builtin_trap();
            used += key.size() + 1;
        }
        if (used >= capacity) __builtin_trap();
        if (crlf.Keys(section, 16384) != ini.Keys(section, 16384) || cr.Keys(section, 16384) != ini.Keys(section, 16384))
            __builtin_trap();
        for (const std::string& key : names) {
            const std::string value = ini.Value(section, key, piece, 2048);
            if (ini.Value(section, key, piece, capacity).size() >= capacity) __builtin_trap();
            if (crlf.Value(section, key, piece, 2048) != value || cr.Value(section, key, piece, 2048) != value)
                __builtin_trap();
        }
    }
    return 0;
}

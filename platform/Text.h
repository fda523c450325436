// Small text helpers with no Windows dependency. Letter case is folded for ASCII only, so names
// with characters of the ANSI code page compare byte for byte in those characters.
#pragma once

#include <string>
#include <string_view>

namespace tw {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

inline std::string ToUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = UpperAscii(c);
    return out;
}

// ToLower for text of a code page with double-byte characters: a byte `isLeadByte` takes for the
// first of two keeps its second byte with it, and both stay as they are. A second byte may fall in
// 'A'..'Z', and changing it would name another character (in code page 932, 83 41 is katakana A,
// U+30A2, and 83 61 is katakana DI, U+30C2): a key name lower-cased byte by byte can name another key.
inline std::string ToLower(std::string_view s, bool (*isLeadByte)(unsigned char)) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(out[i])))
            ++i;
        else
            out[i] = LowerAscii(out[i]);
    }
    return out;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// Blanks are spaces and tabs.
inline std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

inline bool Contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }

inline bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Replaces every occurrence of a non-empty piece; an empty piece changes nothing.
inline std::string ReplaceAll(std::string s, std::string_view piece, std::string_view with) {
    if (piece.empty()) return s;
    std::size_t pos = 0;
    while ((pos = s.find(piece, pos)) != std::string::npos) {
        s.replace(pos, piece.size(), with);
        pos += with.size();
    }
    return s;
}

// Removes double quotes at the start and at the end (all of them on each side).
inline std::string StripOuterQuotes(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == '"') ++b;
    while (e > b && s[e - 1] == '"') --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace tw

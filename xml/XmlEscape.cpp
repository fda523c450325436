#include "xml/XmlEscape.h"

#include <cstdio>

namespace {

struct Entity {
    char c;
    std::string_view name;
};

constexpr Entity kEntities[] = {{'&', "&amp;"},  {'"', "&quot;"}, {'<', "&lt;"},  {'\'', "&apos;"},
                                {'>', "&gt;"},   {'\t', "&#9;"},  {'\n', "&#10;"}, {'\r', "&#13;"}};

constexpr unsigned kPictures = 0x2400;  // U+2400 "SYMBOL FOR NULL" and the 31 after it

// "&#N;" or "&#xN;" at the start of text naming a control character or its picture: the character,
// and the length of the reference.
bool ControlReference(std::string_view text, char& c, std::size_t& length) {
    if (text.size() < 4 || text[0] != '&' || text[1] != '#') return false;
    const bool hex = text[2] == 'x' || text[2] == 'X';
    unsigned value = 0;
    std::size_t i = hex ? 3 : 2, digits = 0;
    for (; i < text.size() && digits < 6; ++i, ++digits) {
        char d = text[i];
        int v = d >= '0' && d <= '9' ? d - '0'
                : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                              : -1;
        if (v < 0) break;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(v);
    }
    if (digits == 0 || i >= text.size() || text[i] != ';') return false;
    if (value >= kPictures && value < kPictures + 0x20) value -= kPictures;
    if (value >= 0x20) return false;
    c = static_cast<char>(value);
    length = i + 1;
    return true;
}

}  // namespace

std::string XmlEscapeAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        std::string_view entity;
        for (const Entity& e : kEntities)
            if (e.c == c) entity = e.name;
        if (!entity.empty()) {
            out += entity;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[12];
            std::snprintf(buf, sizeof buf, "&#x%X;", kPictures + static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string XmlUnescapeAttribute(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            char c = 0;
            std::size_t length = 0;
            if (ControlReference(text.substr(i), c, length)) {
                out += c;
                i += length;
                replaced = true;
            }
            for (const Entity& e : kEntities) {
                if (replaced) break;
                if (text.compare(i, e.name.size(), e.name) == 0) {
                    out += e.c;
                    i += e.name.size();
                    replaced = true;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// Host stand-in: Latin-1 plays the ANSI code page, so the code around it can be tested natively.
#include "platform/Codepage.h"

namespace tw {

std::string Utf16ToAnsi(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out += c < 256 ? static_cast<char>(c) : '?';
    return out;
}

bool Utf16ToAnsiExact(const std::u16string& text, std::string& out) {
    out = Utf16ToAnsi(text);
    for (char16_t c : text)
        if (c >= 256) return false;
    return true;
}

std::u16string AnsiToUtf16(const std::string& text) {
    std::u16string out;
    for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

std::string AnsiToUtf8(const std::string& text) {
    std::string out;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > text.size()) len = text.size() - i;
        unsigned cp = c;
        if (len == 2) cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
        out += (len == 1 && c < 0x80) ? static_cast<char>(c) : (len == 2 && cp < 256) ? static_cast<char>(cp) : '?';
        i += len;
    }
    return out;
}

bool IsAnsiLeadByte(unsigned char) { return false; }

}  // namespace tw

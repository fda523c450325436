#include "registry/ValueText.h"

#include "platform/Codepage.h"
#include "platform/Text.h"

#include <cstdio>

namespace valuetext {
namespace {

unsigned char ByteAt(const unsigned char* data, std::size_t length, std::size_t i) {
    return i < length ? data[i] : 0;
}

std::string HexBytes(const unsigned char* data, std::size_t length) {
    std::string out;
    out.reserve(length * 3);
    char buf[4];
    for (std::size_t i = 0; i < length; ++i) {
        if (i) out += ' ';
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        out += buf;
    }
    return out;
}

// "0x%02x%02x%02x%02x (%d)" with the bytes in the given order.
std::string DwordText(const unsigned char* data, std::size_t length, const int order[4]) {
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) b[i] = ByteAt(data, length, static_cast<std::size_t>(order[i]));
    std::uint32_t u = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
    char buf[40];
    std::snprintf(buf, sizeof buf, "0x%02x%02x%02x%02x (%d)", b[0], b[1], b[2], b[3],
                  static_cast<int>(static_cast<std::int32_t>(u)));
    return buf;
}

std::string NarrowString(const unsigned char* data, std::size_t length) {
    std::size_t n = 0;
    while (n < length && data[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(data), n);
}

std::string WideString(const unsigned char* data, std::size_t length) {
    std::u16string w;
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        w += c;
    }
    return tw::Utf16ToAnsi(w);
}

// Each string on a line of its own. The list's terminators (normally two zero bytes) are not shown;
// data that lacks the final one still shows its last string.
std::string MultiString(const unsigned char* data, std::size_t length) {
    std::size_t end = length;
    for (int i = 0; i < 2 && end > 0 && data[end - 1] == 0; ++i) --end;
    std::string out;
    for (std::size_t i = 0; i < end; ++i) {
        if (data[i] == 0)
            out += "\r\n";
        else
            out += static_cast<char>(data[i]);
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Binary data as Render writes it: two hex digits a byte, bytes separated by one space.
bool ParseHexBytes(const std::string& text, std::vector<unsigned char>& out) {
    if ((text.size() + 1) % 3 != 0) return false;
    for (std::size_t pos = 0; pos < text.size(); pos += 3) {
        int hi = HexDigit(text[pos]), lo = HexDigit(text[pos + 1]);
        if (hi < 0 || lo < 0 || (pos + 2 < text.size() && text[pos + 2] != ' ')) return false;
        out.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    return true;
}

// A whole number of `bits` bits from text[pos, end): "0x" and up to bits/4 hex digits, or decimal
// digits with an optional minus sign (a negative number is stored as its two's complement).
bool ParseInteger(const std::string& text, std::size_t pos, std::size_t end, unsigned bits, std::uint64_t& value) {
    const std::uint64_t max = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    value = 0;
    if (end - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        if (end - pos - 2 > bits / 4) return false;
        for (pos += 2; pos < end; ++pos) {
            int d = HexDigit(text[pos]);
            if (d < 0) return false;
            value = value * 16 + static_cast<unsigned>(d);
        }
        return true;
    }
    const bool negative = pos < end && text[pos] == '-';
    if (negative) ++pos;
    if (pos == end) return false;
    const std::uint64_t limit = negative ? (max >> 1) + 1 : max;
    for (; pos < end; ++pos) {
        if (text[pos] < '0' || text[pos] > '9') return false;
        unsigned d = static_cast<unsigned>(text[pos] - '0');
        if (value > (limit - d) / 10) return false;
        value = value * 10 + d;
    }
    if (negative) value = (~value + 1) & max;
    return true;
}

// A REG_DWORD or REG_QWORD as text, little-endian: a number as ParseInteger reads it, optionally
// followed by the " (%d)" that Render adds, which must then name the same number.
bool ParseNumberBytes(const std::string& text, unsigned bits, std::vector<unsigned char>& out) {
    std::size_t end = text.size();
    std::uint64_t value = 0, shown = 0;
    if (end > 0 && text[end - 1] == ')') {
        std::size_t open = text.rfind(" (");
        if (open == std::string::npos || !ParseInteger(text, open + 2, end - 1, bits, shown)) return false;
        end = open;
    }
    if (!ParseInteger(text, 0, end, bits, value)) return false;
    if (end != text.size() && shown != value) return false;
    for (unsigned i = 0; i < bits / 8; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    return true;
}

}  // namespace

std::string Render(std::uint32_t type, const unsigned char* data, std::size_t length) {
    if (!data) length = 0;
    static const int kLittle[4] = {3, 2, 1, 0};
    static const int kBig[4] = {0, 1, 2, 3};
    switch (type) {
        case 3:
        case 8:
        case 10:
            return HexBytes(data, length);
        case 4:
            return DwordText(data, length, kLittle);
        case 5:
            return DwordText(data, length, kBig);
        case 11: {
            std::string out = "0x";
            char buf[4];
            for (int i = 7; i >= 0; --i) {
                std::snprintf(buf, sizeof buf, "%02x", ByteAt(data, length, static_cast<std::size_t>(i)));
                out += buf;
            }
            return out;
        }
        case 6:
            return WideString(data, length);
        case 7:
            return MultiString(data, length);
        default:
            return NarrowString(data, length);
    }
}

std::vector<unsigned char> Parse(const std::string& text, std::uint32_t type) {
    std::vector<unsigned char> out;
    switch (type) {
        case 1:
        case 2:
            out.assign(text.begin(), text.end());
            out.push_back(0);
            return out;
        case 3:
        case 8:
        case 10:
            if (text.empty()) return {0};
            if (!ParseHexBytes(text, out)) out.clear();
            return out;
        case 4:
        case 11:
            if (text.empty()) return std::vector<unsigned char>(type == 4 ? 4 : 8, 0);
            if (!ParseNumberBytes(text, type == 4 ? 32 : 64, out)) out.clear();
            return out;
        case 7:
            if (text.empty()) return {0};
            for (char c : text) {
                if (c == '\r') continue;
                out.push_back(c == '\n' ? 0 : static_cast<unsigned char>(c));
            }
            out.push_back(0);
            out.push_back(0);
            return out;
        default:
            return out;
    }
}

std::string TypeName(std::uint32_t type) {
    switch (type) {
        case 0:
        case 1:
        case 6:
            return "REG_SZ";
        case 2:
            return "REG_EXPAND_SZ";
        case 3:
            return "REG_BINARY";
        case 4:
        case 5:
            return "REG_DWORD";
        case 7:
            return "REG_MULTI_SZ";
        case 8:
            return "REG_RESOURCE_LIST";
        case 10:
            return "REG_RESOURCE_REQUIREMENTS_LIST";
        case 11:
            return "REG_QWORD";
        default:
            return "";
    }
}

std::uint32_t TypeFromName(const std::string& name) {
    static const struct {
        const char* name;
        std::uint32_t type;
    } kNames[] = {{"REG_SZ", 1},
                  {"REG_EXPAND_SZ", 2},
                  {"REG_BINARY", 3},
                  {"REG_DWORD", 4},
                  {"REG_MULTI_SZ", 7},
                  {"REG_RESOURCE_LIST", 8},
                  {"REG_RESOURCE_REQUIREMENTS_LIST", 10},
                  {"REG_QWORD", 11}};
    for (const auto& n : kNames)
        if (tw::EqualsNoCase(name, n.name)) return n.type;
    return 1;
}

}  // namespace valuetext

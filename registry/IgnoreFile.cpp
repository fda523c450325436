#include "registry/IgnoreFile.h"

#include <cstdio>

namespace ignorefile {
namespace {

constexpr char kEscapedMark = '\0';

// What a text-mode read hands to the program.
std::string TextModeView(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out += c;
    }
    return out;
}

bool NeedsEscape(char c) { return c == '\r' || c == '\n' || c == '\x1a' || c == '\0'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%XX" back to its byte; a '%' not followed by two hex digits stands for itself.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int hi = -1, lo = -1;
        if (text[i] == '%' && i + 2 < text.size() && (hi = HexValue(text[i + 1])) >= 0 &&
            (lo = HexValue(text[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The field a line holds. A plain line loses its last character and, like the C string it used to
// be read into, ends at an embedded zero byte; an escaped line loses its line feed.
std::string Field(const std::string& line) {
    if (!line.empty() && line[0] == kEscapedMark) {
        std::size_t end = line.size() - (line.back() == '\n' ? 1 : 0);
        return Unescape(line.substr(1, end - 1));
    }
    std::string field = line.substr(0, line.find('\0'));
    if (!field.empty()) field.pop_back();
    return field;
}

void PutLine(std::string& out, const std::string& field) {
    bool escape = false;
    for (char c : field) escape = escape || NeedsEscape(c);
    if (!escape) {
        out += field;
    } else {
        out += kEscapedMark;
        char buf[4];
        for (char c : field) {
            if (NeedsEscape(c) || c == '%') {
                std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += "\r\n";
}

}  // namespace

std::vector<Entry> Parse(const std::string& bytes, std::string* unpaired) {
    const std::string text = TextModeView(bytes);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t lf = text.find('\n', pos);
        std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    std::vector<Entry> entries;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) entries.push_back({Field(lines[i]), Field(lines[i + 1])});
    if (unpaired) *unpaired = lines.size() % 2 ? lines.back() : std::string();
    return entries;
}

std::string Serialize(const std::vector<Entry>& entries, const std::string& unpaired) {
    std::string out;
    for (const Entry& e : entries) {
        PutLine(out, e.item);
        PutLine(out, e.category);
    }
    if (!unpaired.empty()) {
        for (char c : unpaired) {
            if (c == '\n') out += '\r';
            out += c;
        }
        if (unpaired.back() != '\n') out += "\r\n";
    }
    return out;
}

}  // namespace ignorefile

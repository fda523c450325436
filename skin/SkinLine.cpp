#include "skin/SkinLine.h"

#include "platform/Text.h"

#include <climits>

namespace {

// The white space the C library's isspace knows in every code page; DBCS trail bytes never fall in
// this range, so trimming byte by byte is safe in multi-byte text too.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void TrimInPlace(std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    s = s.substr(b, e - b);
}

long long ReadDecimal(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && IsBlank(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    long long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturated; further digits change nothing
    }
    return negative ? -value : value;
}

int Saturate(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// A list line could ask for any number of columns; no screen has room for more than this.
const int kMaxColumns = 256;

}  // namespace

std::string NextField(std::string& rest) {
    std::string field;
    std::size_t comma = rest.find(',');
    if (comma == std::string::npos) {
        field = rest;
        TrimInPlace(field);
        rest.clear();
        return field;
    }
    field = rest.substr(0, comma);
    rest.erase(0, comma + 1);
    TrimInPlace(rest);
    return field;
}

SkinRect ParseRect(std::string& rest) {
    long long x = NumberField(NextField(rest));
    long long y = NumberField(NextField(rest));
    long long w = NumberField(NextField(rest));
    long long h = NumberField(NextField(rest));
    SkinRect r;
    r.left = static_cast<int>(x);
    r.top = static_cast<int>(y);
    r.right = Saturate(x + w);
    r.bottom = Saturate(y + h);
    return r;
}

int NumberField(const std::string& field) { return Saturate(ReadDecimal(field)); }

std::uint32_t ColourField(const std::string& field) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(NumberField(field)));
}

bool FlagField(const std::string& field) { return !field.empty() && field[0] == 'T'; }

ButtonLine ParseButtonLine(std::string line) {
    ButtonLine b;
    b.name = NextField(line);
    b.rect = ParseRect(line);
    b.checkBox = FlagField(NextField(line));
    b.tooltip = NextField(line);
    return b;
}

TextLine ParseTextLine(std::string line) {
    TextLine t;
    t.name = NextField(line);
    t.face = NextField(line);
    t.bold = FlagField(NextField(line));
    t.italic = FlagField(NextField(line));
    t.height = NumberField(NextField(line));
    t.colour = ColourField(NextField(line));
    t.rect = ParseRect(line);
    t.text = NextField(line);
    return t;
}

ListLine ParseListLine(std::string line) {
    ListLine l;
    l.rect = ParseRect(line);
    int count = NumberField(NextField(line));
    if (count > kMaxColumns) count = kMaxColumns;
    for (int i = 0; i < count; ++i) {
        ListColumn c;
        c.title = NextField(line);
        c.width = NumberField(NextField(line));
        l.columns.push_back(std::move(c));
    }
    return l;
}

ScreenLine ParseScreenLine(std::string line) {
    ScreenLine s;
    s.name = NextField(line);
    for (std::string& image : s.images) image = NextField(line);
    s.rect = ParseRect(line);
    return s;
}

SkinRect ParseDimension(std::string value) { return ParseRect(value); }

std::string ImageResourceName(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return tw::ToUpper(name);
}

bool IsBarePictureName(const std::string& name) {
    if (name.find_first_of("\\/:") != std::string::npos) return false;
    // Windows drops trailing dots and blanks from a name: what stays must not be dots only.
    if (name.find_first_not_of(". ") == std::string::npos) return false;
    // "CON", "nul.jpg", "COM1 .gif": in any folder, with any extension, such a name opens a device.
    std::string base = name.substr(0, name.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return false;
    const bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
    return !(numbered && base[3] >= '1' && base[3] <= '9');
}

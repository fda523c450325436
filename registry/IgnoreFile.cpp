#include "registry/IgnoreFile.h"

#include <cstring>

namespace ignorefile {
namespace {

constexpr std::size_t kLineBuffer = 1000;

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

// One line read into the buffer, minus its last character. Like the C string it is read into,
// the line ends at an embedded zero byte.
std::string TrimmedLine(const std::string& text, std::size_t begin, std::size_t end) {
    std::string line = text.substr(begin, end - begin);
    std::size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    if (!line.empty()) line.pop_back();
    return line;
}

}  // namespace

std::vector<Entry> Parse(const std::string& bytes) {
    const std::string text = TextModeView(bytes);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = pos;
        while (end < text.size() && end - pos < kLineBuffer - 1) {
            if (text[end++] == '\n') break;
        }
        lines.push_back(TrimmedLine(text, pos, end));
        pos = end;
    }
    std::vector<Entry> entries;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) entries.push_back({lines[i], lines[i + 1]});
    return entries;
}

std::string Serialize(const std::vector<Entry>& entries) {
    std::string out;
    auto put = [&out](const std::string& s) {
        for (char c : s) {
            if (c == '\n') out += '\r';
            out += c;
        }
        out += "\r\n";
    };
    for (const Entry& e : entries) {
        put(e.item);
        put(e.category);
    }
    return out;
}

}  // namespace ignorefile

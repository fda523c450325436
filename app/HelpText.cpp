#include "app/HelpText.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

struct Entity {
    const char* name;
    const char* text;
};
const Entity kEntities[] = {{"amp", "&"},    {"lt", "<"},      {"gt", ">"},   {"quot", "\""}, {"apos", "'"},
                            {"nbsp", " "},   {"middot", "-"},  {"mdash", "-"}, {"ndash", "-"}, {"hellip", "..."},
                            {"rsquo", "'"},  {"lsquo", "'"},   {"ldquo", "\""}, {"rdquo", "\""}};

// Elements whose content is not text of the page.
const char* const kHidden[] = {"head", "style", "script", "title"};
// Elements that start a line of their own; the first few also leave a blank line before them.
const char* const kParagraphs[] = {"p", "h1", "h2", "h3", "h4", "table", "pre", "ul", "ol", "dl"};
const char* const kLines[] = {"br", "tr", "li", "div", "dt", "dd", "blockquote"};

template <std::size_t N>
bool OneOf(const std::string& name, const char* const (&names)[N]) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Lines of text: blanks collapse into one space, lines lose their trailing blanks, and blank lines
// in a row are kept to one (none at the start or the end).
class Writer {
public:
    void Text(const std::string& s, bool keepBlanks) {
        for (char c : s) {
            if (c == '\r') continue;
            if (keepBlanks && c == '\n') {
                Break(true);
            } else if (!keepBlanks && (c == ' ' || c == '\t' || c == '\n')) {
                if (!line_.empty() && line_.back() != ' ') line_ += ' ';
            } else {
                line_ += c;
            }
        }
    }
    void Break(bool keepEmpty = false) {
        while (!line_.empty() && line_.back() == ' ') line_.pop_back();
        if (!line_.empty() || (keepEmpty && !lines_.empty())) lines_.push_back(line_);
        line_.clear();
    }
    void BlankLine() {
        Break();
        if (!lines_.empty() && !lines_.back().empty()) lines_.emplace_back();
    }
    // Between two cells of a row.
    void Separator() {
        while (!line_.empty() && line_.back() == ' ') line_.pop_back();
        if (!line_.empty()) line_ += " - ";
    }
    std::string Done() {
        Break();
        while (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
        std::string out;
        for (const std::string& line : lines_) out += line + "\r\n";
        return out;
    }

private:
    std::vector<std::string> lines_;
    std::string line_;
};

// The text of an entity starting at html[at] ('&'), and how many bytes it spans; "&" alone otherwise.
std::string DecodeEntity(const std::string& html, std::size_t at, std::size_t& length) {
    const std::size_t end = html.find(';', at);
    length = 1;
    if (end == std::string::npos || end - at > 10) return "&";
    const std::string name = html.substr(at + 1, end - at - 1);
    if (!name.empty() && name[0] == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const char* digits = name.c_str() + (hex ? 2 : 1);
        char* stop = nullptr;
        const long code = std::strtol(digits, &stop, hex ? 16 : 10);
        if (!*digits || *stop) return "&";
        length = end - at + 1;
        return code > 0 && code < 128 ? std::string(1, static_cast<char>(code)) : std::string("?");
    }
    for (const Entity& e : kEntities)
        if (name == e.name) {
            length = end - at + 1;
            return e.text;
        }
    return "&";
}

}  // namespace

std::string HtmlToText(const std::string& html) {
    Writer out;
    int hidden = 0, pre = 0;
    bool firstCell = true;
    std::size_t at = 0;
    while (at < html.size()) {
        if (html[at] == '<') {
            if (html.compare(at, 4, "<!--") == 0) {
                const std::size_t end = html.find("-->", at + 4);
                at = end == std::string::npos ? html.size() : end + 3;
                continue;
            }
            const std::size_t end = html.find('>', at);
            if (end == std::string::npos) break;
            std::string tag = html.substr(at + 1, end - at - 1);
            at = end + 1;
            const bool closing = !tag.empty() && tag[0] == '/';
            if (closing) tag.erase(0, 1);
            const std::size_t nameEnd = tag.find_first_of(" \t\r\n/");
            const std::string name = Lower(tag.substr(0, nameEnd));
            if (OneOf(name, kHidden)) {
                hidden += closing ? (hidden > 0 ? -1 : 0) : 1;
                continue;
            }
            if (hidden) continue;
            if (name == "pre") pre += closing ? (pre > 0 ? -1 : 0) : 1;
            if (OneOf(name, kParagraphs)) {
                out.BlankLine();
            } else if (OneOf(name, kLines)) {
                out.Break();
                if (name == "tr") firstCell = true;
                if (name == "li" && !closing) out.Text("- ", true);
            } else if ((name == "td" || name == "th") && !closing) {
                if (!firstCell) out.Separator();
                firstCell = false;
            }
            continue;
        }
        std::size_t next = html.find_first_of("<&", at);
        if (next == std::string::npos) next = html.size();
        if (!hidden) {
            out.Text(html.substr(at, next - at), pre > 0);
        }
        at = next;
        if (at < html.size() && html[at] == '&') {
            std::size_t length = 1;
            const std::string decoded = DecodeEntity(html, at, length);
            if (!hidden) out.Text(decoded, true);
            at += length;
        }
    }
    return out.Done();
}

#include "skin/IniText.h"

#include <algorithm>
#include <cstring>

namespace {

// The blanks the profile functions trim: tab to carriage return, space and ^Z (DOS end of file).
bool IsBlank(char c) { return (c >= '\t' && c <= '\r') || c == '\x1a' || c == ' '; }

void Trim(const char*& begin, const char*& end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
}

// Names and values are C strings to the profile functions: a NUL byte ends them.
std::string UpToNul(const char* begin, const char* end) { return std::string(begin, std::find(begin, end, '\0')); }

// Letter case aside, ASCII letters only: the profile functions leave other bytes as they are.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& name, const char* other, std::size_t size) {
    if (name.size() != size) return false;
    for (std::size_t i = 0; i < size; ++i)
        if (Lower(name[i]) != Lower(other[i])) return false;
    return true;
}

// One pair of matching surrounding quotes goes, then the text is cut to capacity - 1 characters.
// A quoted text exactly capacity characters long after its opening quote loses its closing quote
// to the cut and its last character as well: the profile functions answer so.
std::string Unquoted(std::string text, std::size_t capacity) {
    if (capacity == 0) return {};
    const bool quoted = text.size() > 1 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
    if (quoted) text.erase(0, 1);
    const std::size_t whole = text.size();
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    if (quoted && capacity >= whole && !text.empty()) text.pop_back();
    return text;
}

}  // namespace

IniText::IniText(const std::string& text) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        const char* line = at;
        while (at < end && *at != '\r' && *at != '\n') ++at;
        const char* lineEnd = at;
        while (at < end && (*at == '\r' || *at == '\n')) ++at;
        Trim(line, lineEnd);
        if (line == lineEnd) continue;
        if (*line == '[') {
            // The name runs to the last "]"; text after it is ignored. Without one it is a key line.
            const char* close = lineEnd - 1;
            while (close > line && *close != ']') --close;
            if (close > line) {
                const char* name = line + 1;
                Trim(name, close);
                sections_.push_back(Section{UpToNul(name, close), {}});
                continue;
            }
        }
        Key key;
        const char* nameEnd = std::find(line, lineEnd, '=');
        if (nameEnd != lineEnd) {
            const char* value = nameEnd + 1;
            Trim(line, nameEnd);
            Trim(value, lineEnd);
            key.value = UpToNul(value, lineEnd);
            key.hasValue = true;
        }
        key.name = UpToNul(line, nameEnd);
        sections_.back().keys.push_back(std::move(key));
    }
}

const IniText::Section* IniText::Find(const char* name, std::size_t size) const {
    for (const Section& section : sections_)
        if (SameName(section.name, name, size)) return &section;
    return nullptr;
}

std::vector<std::string> IniText::Keys(const std::string& section, std::size_t capacity) const {
    std::vector<std::string> names;
    const Section* found = Find(section.c_str(), std::strlen(section.c_str()));
    if (!found) return names;
    // Each name takes its length and a NUL of the list; the list's own final NUL needs one more.
    std::size_t room = capacity;
    for (const Key& key : found->keys) {
        if (room <= 2) break;
        if (!key.hasValue || (!key.name.empty() && key.name[0] == ';')) continue;
        if (key.name.empty()) break;  // an empty name reads as the end of the list
        names.push_back(key.name.substr(0, room - 2));
        room -= names.back().size() + 1;
    }
    return names;
}

std::string IniText::Value(const std::string& section, const std::string& key, const std::string& def,
                           std::size_t capacity) const {
    const char* sectionName = section.c_str();
    const char* sectionEnd = sectionName + std::strlen(sectionName);
    const char* keyName = key.c_str();
    const char* keyEnd = keyName + std::strlen(keyName);
    Trim(sectionName, sectionEnd);
    Trim(keyName, keyEnd);
    if (const Section* found = Find(sectionName, static_cast<std::size_t>(sectionEnd - sectionName))) {
        for (const Key& k : found->keys) {
            if (!SameName(k.name, keyName, static_cast<std::size_t>(keyEnd - keyName))) continue;
            if (k.hasValue) return Unquoted(k.value, capacity);
            break;  // the first key of that name answers, even without a value
        }
    }
    std::string text = def.c_str();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return Unquoted(std::move(text), capacity);
}

// A skin description in INI syntax, parsed once and answered from memory the way the private-profile
// functions answer for a file holding the same text. No Windows here, so the host build tests it
// under the sanitizers and a fuzz target feeds it arbitrary bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class IniText {
public:
    // No text at all (a missing file): every answer is the default.
    IniText() = default;
    // text: the file's bytes in the ANSI code page. Lines end at CR, LF or any run of them.
    explicit IniText(const std::string& text);

    // The key names of the first section called section (letter case aside; blanks around the name
    // asked for are not trimmed here, unlike Value), in file order. Comment lines (";") and lines
    // without "=" are not keys here. The names are those a list of capacity characters holds: the
    // last one is cut when the list is full, and the list ends early at a key with an empty name.
    std::vector<std::string> Keys(const std::string& section, std::size_t capacity) const;

    // The value of the first key called key in the first section called section (blanks around
    // both names trimmed, letter case aside), or else def without its trailing spaces. The answer
    // loses one pair of matching surrounding quotes and is cut to capacity - 1 characters.
    std::string Value(const std::string& section, const std::string& key, const std::string& def,
                      std::size_t capacity) const;

private:
    struct Key {
        std::string name;
        std::string value;
        bool hasValue = false;  // the line held a "="
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    const Section* Find(const char* name, std::size_t size) const;

    std::vector<Section> sections_{Section{}};  // the first holds the keys before any section line
};

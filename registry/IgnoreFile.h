// The bytes of "ignore.lst": for each ignored entry two text-mode lines, the item then the category.
#pragma once

#include <string>
#include <vector>

namespace ignorefile {

struct Entry {
    std::string item;
    std::string category;
};

// Reads the file's raw bytes exactly as a text-mode stream read line by line into a 1000-byte
// buffer would: CR LF is one line feed, Ctrl-Z ends the text, a line of more than 999 characters
// comes in pieces that each count as a line, every line loses its last character (normally the
// line feed), and an unpaired last line is dropped.
std::vector<Entry> Parse(const std::string& bytes);

// The raw bytes a text-mode write of the entries produces (every line feed written as CR LF).
std::string Serialize(const std::vector<Entry>& entries);

}  // namespace ignorefile

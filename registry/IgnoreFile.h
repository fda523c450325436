// The bytes of "ignore.lst": for each ignored entry two text-mode lines, the item then the category.
#pragma once

#include <string>
#include <vector>

namespace ignorefile {

struct Entry {
    std::string item;
    std::string category;
};

// Reads the file's raw bytes as a text-mode stream read line by line would: CR LF is one line feed,
// Ctrl-Z ends the text, every line loses its last character (normally the line feed), lines of any
// length are read whole. A line that starts with a zero byte holds a field written in its escaped
// form (see Serialize). An unpaired last line is not an entry; when `unpaired` is given it receives
// that line as read (with its line feed, if it had one), so that a rewrite can keep it.
std::vector<Entry> Parse(const std::string& bytes, std::string* unpaired = nullptr);

// The raw bytes a text-mode write of the entries produces (every line feed written as CR LF),
// followed by the unpaired line, if any. A field that holds a CR, an LF, a Ctrl-Z or a zero byte
// cannot stand on a line of its own as it is: it is written as a zero byte followed by the field
// with each of those bytes and '%' as "%XX" (two hex digits). Readers that stop a line at its
// zero byte see an empty field there, and the pairing of the lines stays intact for them too.
std::string Serialize(const std::vector<Entry>& entries, const std::string& unpaired = std::string());

}  // namespace ignorefile

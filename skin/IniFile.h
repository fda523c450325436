// Reads a skin description through the private-profile functions.
#pragma once

#include <string>
#include <vector>

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // The key names of a section in file order; false when none came back.
    bool GetKeys(const std::string& section, std::vector<std::string>& keys) const;
    // A key's value (cut to 2047 characters), or the default when the key is missing.
    std::string GetString(const std::string& section, const std::string& key, const std::string& def = "") const;

private:
    std::string path_;
};

// The lines of a numbered section: keys "1" to "N", N being the number of keys the section holds,
// read in that order; empty values are skipped. A section numbered with gaps therefore loses its
// last lines, as the format has always behaved.
std::vector<std::string> ReadNumberedLines(const IniFile& ini, const std::string& section);

// The image keys of a main screen section; every key but "Main" defaults to the value of "Main".
struct ImageKeys {
    std::string main, mask, over, down, disabled, stopScanOver;
};
ImageKeys ReadImageKeys(const IniFile& ini, const std::string& section);

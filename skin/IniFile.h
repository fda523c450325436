// Reads a skin description: the whole text once, when made (from memory, or from a file); every
// answer comes from memory afterwards. The answers are those the private-profile functions
// (GetPrivateProfileStringA) give for a file holding the same text.
#pragma once

#include "skin/IniText.h"

#include <string>
#include <vector>

class IniFile {
public:
    // A name without any folder is looked for in the Windows folder, as the profile functions do.
    // A file that is a link of the file system, or one name of a file with several, is not read.
    explicit IniFile(std::string path);
    // A description already in memory (bytes as a file would hold them); path only names it.
    IniFile(std::string path, const std::string& bytes);
    const std::string& Path() const { return path_; }
    // The text could be had when this was made; otherwise every answer is the default.
    bool Loaded() const { return loaded_; }

    // The key names of a section in file order; false when none came back.
    bool GetKeys(const std::string& section, std::vector<std::string>& keys) const;
    // A key's value (cut to 2047 characters), or the default when the key is missing.
    std::string GetString(const std::string& section, const std::string& key, const std::string& def = "") const;

private:
    std::string path_;
    bool loaded_ = false;
    IniText text_;
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

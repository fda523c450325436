// The texts of the result list: for each row, what it is, which file is missing and what exactly a
// repair removes. Free of windows.h, so the texts are tested on the host too.
#pragma once

#include "registry/ErrorRecord.h"

#include <cstddef>
#include <string>
#include <vector>

// The result list's columns, in order.
enum ResultColumn : std::size_t { kResultTitle, kResultFile, kResultLocation, kResultColumnCount };

// What the list shows for broken shortcut files.
inline constexpr const char kBrokenShortcutsTitle[] = "Broken Shortcuts";

// Title, file, location. The title is the category's summary title as the console program prints
// it; the location is the key path as it prints it, then ", value "Name"" for a value record or
// " (whole key)" for a key record.
std::vector<std::string> RegistryRowTexts(const ErrorRecord& record);
// Title, the link's file name, the folder it is in.
std::vector<std::string> ShortcutRowTexts(const std::string& linkPath);

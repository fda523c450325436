// Conversions between the system's ANSI code page, UTF-16 and UTF-8.
// Windows builds use the system's code page; host builds (tests, fuzzing) use Latin-1 in its place.
#pragma once

#include <string>

namespace tw {

// Characters the code page lacks become '?'.
std::string Utf16ToAnsi(const std::u16string& text);
std::u16string AnsiToUtf16(const std::string& text);
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);

}  // namespace tw

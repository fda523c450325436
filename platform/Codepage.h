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

// Like Utf16ToAnsi, but false when some character has no exact form in the code page (it would
// have become '?' or a look-alike): such text cannot be named through the narrow functions, so
// nothing may be judged or rewritten on the strength of its narrow copy. `out` gets the lossy copy.
bool Utf16ToAnsiExact(const std::u16string& text, std::string& out);

// True when `b` is the first byte of a double-byte character of the ANSI code page (always false in
// a single-byte code page).
bool IsAnsiLeadByte(unsigned char b);

}  // namespace tw

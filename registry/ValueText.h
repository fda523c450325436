// Registry value data <-> the text a listing, a snapshot or a backup shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valuetext {

// Renders value data by type. Never reads outside [data, data + length): data shorter than its
// type needs is read as if padded with zero bytes, and strings end at the data's end when they
// carry no terminator.
std::string Render(std::uint32_t type, const unsigned char* data, std::size_t length);

// The inverse of Render for the types that have a text form; other types give no data, and so does
// text that is not what its type takes. REG_DWORD and REG_QWORD take a decimal number (a minus sign
// allowed) or "0x" and hex digits, optionally with the " (%d)" Render adds; binary types take hex
// bytes separated by single spaces. Empty text gives zero bytes of the type's size (one for binary).
std::vector<unsigned char> Parse(const std::string& text, std::uint32_t type);

std::string TypeName(std::uint32_t type);
std::uint32_t TypeFromName(const std::string& name);

}  // namespace valuetext

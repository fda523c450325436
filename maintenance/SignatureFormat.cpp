#include "maintenance/SignatureFormat.h"

#include "maintenance/BackupFormat.h"

namespace backup {
namespace {

const char kPrefix[] = "TWSIG1 HMAC-SHA-256 ";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string SignatureFileName(const std::string& regName) {
    const std::size_t n = regName.size();
    if (n >= 4 && regName[n - 4] == '.' && (regName[n - 3] | 0x20) == 'r' && (regName[n - 2] | 0x20) == 'e' &&
        (regName[n - 1] | 0x20) == 'g')
        return regName.substr(0, n - 4) + ".sig";
    return regName + ".sig";
}

std::string FormatSignature(const Digest& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = kPrefix;
    for (unsigned char b : digest) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out + "\r\n";
}

bool ParseSignature(std::string_view text, Digest& digest) {
    const std::string_view prefix = kPrefix;
    if (text.substr(0, prefix.size()) != prefix) return false;
    text.remove_prefix(prefix.size());
    if (text.size() == digest.size() * 2 + 2 && text.substr(digest.size() * 2) == "\r\n")
        text.remove_suffix(2);
    if (text.size() != digest.size() * 2) return false;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        digest[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

std::string SignedPreamble(const std::string& canonicalName, std::uint64_t regSize, bool hasLinks,
                           std::uint64_t linksSize) {
    std::string out = "Tidewarp registry backup";
    out += '\0';
    AppendU64(out, canonicalName.size());
    out += canonicalName;
    AppendU64(out, regSize);
    out += hasLinks ? '\1' : '\0';
    AppendU64(out, hasLinks ? linksSize : 0);
    return out;
}

std::string CanonicalBackupName(std::string_view name) {
    BackupStamp s;
    if (!ParseBackupFileName(name, s)) return {};
    return BackupFileName(s.year, s.month, s.day, s.hour, s.minute, s.second, s.attempt);
}

bool SameDigest(const Digest& a, const Digest& b) {
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace backup

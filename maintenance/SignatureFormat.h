// The keyed hash that marks a backup as one this program wrote on this computer. It lies in a file
// of its own beside the backup ("2026-12-08_14-50-00.sig" for "2026-12-08_14-50-00.reg"), so the
// backup's own format stays as it is, and covers the backup's name, its bytes and the bytes of the
// shortcut store beside it (or that there is none): a store put beside a backup, a backup renamed
// to a later time, or either changed in any byte no longer matches. The file is one line of text:
//   "TWSIG1 HMAC-SHA-256 " followed by the 64 hexadecimal digits of the hash, then CR LF.
// Nothing here needs Windows; the hash itself is the system's (platform/Hmac.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace backup {

using Digest = std::array<unsigned char, 32>;

// The signature file's name for a backup's name or path: its ".reg" (any letter case) replaced by
// ".sig"; a name without ".reg" gets ".sig" appended.
std::string SignatureFileName(const std::string& regName);

std::string FormatSignature(const Digest& digest);
// Reads what FormatSignature writes (hexadecimal digits in either case; the CR LF may be missing).
// False for anything else.
bool ParseSignature(std::string_view text, Digest& digest);

// What goes into the hash ahead of the backup's bytes and the store's: the backup's name as this
// program writes it (see CanonicalBackupName), the two lengths and whether a store is there, so
// that no two different backups give the same input.
std::string SignedPreamble(const std::string& canonicalName, std::uint64_t regSize, bool hasLinks,
                           std::uint64_t linksSize);

// The name BackupFileName gives the time a backup name holds ("...REG" becomes "...reg"), empty
// for a name that is no backup name.
std::string CanonicalBackupName(std::string_view name);

// Compares in a time that does not depend on where the digests differ.
bool SameDigest(const Digest& a, const Digest& b);

}  // namespace backup

// The shortcut files a fix deletes, kept beside the registry backup whose name they share: for
// "2026-12-08_14-50-00.reg" the file "2026-12-08_14-50-00.links". The registry file keeps its own
// format untouched; this one starts with a signature and a count, and every link carries a checksum
// of its bytes, so a damaged store is told from a whole one and the links before the damage still
// come back. Integers are unsigned little-endian; paths are the ANSI bytes without a terminator:
//   "TWLINKS1", count (4)
//   per link: path length (4), path, attributes (4), created (8), accessed (8), written (8),
//             size (4), bytes, CRC-32 of the bytes (4)
// Times are FILETIME values. Nothing here needs Windows, so the format is tested and fuzzed natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace backup {

struct SavedLink {
    std::string path;  // where the shortcut lay, and where a restore puts it back
    std::uint32_t attributes = 0;
    std::uint64_t created = 0, accessed = 0, written = 0;
    std::string bytes;  // the file's contents, exactly
};

bool operator==(const SavedLink& a, const SavedLink& b);

// A link larger than this is not a shortcut the shell wrote; it is not kept (and so not deleted).
constexpr std::uint32_t kMaxLinkBytes = 16u << 20;

std::string EncodeLinks(const std::vector<SavedLink>& links);

struct LinkDecodeResult {
    std::vector<SavedLink> links;  // every link read whole and with a matching checksum, in order
    std::uint32_t count = 0;       // how many links the store says it holds
    bool damaged = false;
    std::string damage;            // what is wrong, for the user
};
LinkDecodeResult DecodeLinks(std::string_view bytes);

// The store's file name for a registry backup's name or path: its ".reg" (any letter case)
// replaced by ".links"; a name without ".reg" gets ".links" appended.
std::string LinkStoreName(const std::string& regName);

std::uint32_t Crc32(std::string_view bytes);

}  // namespace backup

#include "maintenance/LinkStoreFormat.h"

#include <algorithm>
#include <cctype>

namespace backup {

namespace {

const char kSignature[] = "TWLINKS1";
const std::size_t kSignatureSize = sizeof kSignature - 1;
// The fixed part of one link: path length, attributes, three times, size, checksum.
const std::size_t kFixedPerLink = 4 + 4 + 3 * 8 + 4 + 4;

void Put(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

class Reader {
public:
    explicit Reader(std::string_view b) : b_(b) {}
    std::size_t Left() const { return b_.size() - p_; }
    bool Get(std::uint64_t& v, int bytes) {
        if (Left() < static_cast<std::size_t>(bytes)) return false;
        v = 0;
        for (int i = 0; i < bytes; ++i) v |= std::uint64_t{static_cast<unsigned char>(b_[p_ + i])} << (8 * i);
        p_ += bytes;
        return true;
    }
    bool Get32(std::uint32_t& v) {
        std::uint64_t x = 0;
        if (!Get(x, 4)) return false;
        v = static_cast<std::uint32_t>(x);
        return true;
    }
    bool Take(std::string& s, std::uint32_t n) {
        if (Left() < n) return false;
        s.assign(b_.data() + p_, n);
        p_ += n;
        return true;
    }

private:
    std::string_view b_;
    std::size_t p_ = 0;
};

}  // namespace

bool operator==(const SavedLink& a, const SavedLink& b) {
    return a.path == b.path && a.attributes == b.attributes && a.created == b.created && a.accessed == b.accessed &&
           a.written == b.written && a.bytes == b.bytes;
}

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string EncodeLinks(const std::vector<SavedLink>& links) {
    std::string out(kSignature, kSignatureSize);
    Put(out, links.size(), 4);
    for (const SavedLink& l : links) {
        Put(out, l.path.size(), 4);
        out += l.path;
        Put(out, l.attributes, 4);
        Put(out, l.created, 8);
        Put(out, l.accessed, 8);
        Put(out, l.written, 8);
        Put(out, l.bytes.size(), 4);
        out += l.bytes;
        Put(out, Crc32(l.bytes), 4);
    }
    return out;
}

LinkDecodeResult DecodeLinks(std::string_view bytes) {
    LinkDecodeResult r;
    if (bytes.size() < kSignatureSize + 4 || bytes.substr(0, kSignatureSize) != kSignature) {
        r.damaged = true;
        r.damage = "it is not a shortcut store";
        return r;
    }
    Reader in(bytes.substr(kSignatureSize));
    in.Get32(r.count);
    for (std::uint32_t i = 0; i < r.count; ++i) {
        SavedLink l;
        std::uint32_t pathSize = 0, size = 0, crc = 0;
        // Each length is checked against the bytes left before anything is taken.
        bool whole = in.Left() >= kFixedPerLink && in.Get32(pathSize) && in.Take(l.path, pathSize) &&
                     in.Get32(l.attributes) && in.Get(l.created, 8) && in.Get(l.accessed, 8) &&
                     in.Get(l.written, 8) && in.Get32(size) && size <= kMaxLinkBytes && in.Take(l.bytes, size) &&
                     in.Get32(crc);
        if (!whole || l.path.empty()) {
            r.damaged = true;
            r.damage = "shortcut " + std::to_string(i + 1) + " of " + std::to_string(r.count) + " is cut off";
            return r;
        }
        if (crc != Crc32(l.bytes)) {
            r.damaged = true;
            r.damage = "shortcut " + std::to_string(i + 1) + " of " + std::to_string(r.count) +
                       " (" + l.path + ") does not match its checksum";
            return r;
        }
        r.links.push_back(std::move(l));
    }
    if (in.Left() != 0) {
        r.damaged = true;
        r.damage = "bytes follow the last shortcut";
    }
    return r;
}

std::string LinkStoreName(const std::string& regName) {
    std::string lower = regName;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".reg") == 0)
        return regName.substr(0, regName.size() - 4) + ".links";
    return regName + ".links";
}

}  // namespace backup

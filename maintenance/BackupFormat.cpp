#include "maintenance/BackupFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace backup {

bool operator==(const Value& a, const Value& b) { return a.name == b.name && a.type == b.type && a.data == b.data; }
bool operator==(const KeyBody& a, const KeyBody& b) { return a.values == b.values && a.subKeys == b.subKeys; }
bool operator==(const SubKey& a, const SubKey& b) { return a.name == b.name && a.body == b.body; }
bool operator==(const KeyRecord& a, const KeyRecord& b) {
    return a.root == b.root && a.path == b.path && a.body == b.body;
}

const char* RootName(std::uint32_t root) {
    switch (root) {
        case kClassesRoot: return "HKEY_CLASSES_ROOT";
        case kCurrentUser: return "HKEY_CURRENT_USER";
        case kLocalMachine: return "HKEY_LOCAL_MACHINE";
        case kUsers: return "HKEY_USERS";
        default: return nullptr;
    }
}

namespace {

void PutU32(std::string& out, std::uint32_t v) {
    char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
                 static_cast<char>((v >> 24) & 0xFF)};
    out.append(b, 4);
}

void PutBytes(std::string& out, const std::string& s) {
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out += s;
}

void PutBody(std::string& out, const KeyBody& body) {
    PutU32(out, static_cast<std::uint32_t>(body.values.size()));
    for (const Value& v : body.values) {
        PutBytes(out, v.name);
        PutU32(out, v.type);
        PutBytes(out, v.data);
    }
    PutU32(out, static_cast<std::uint32_t>(body.subKeys.size()));
    for (const SubKey& s : body.subKeys) {
        PutBytes(out, s.name);
        PutBody(out, s.body);
    }
}

// Reads one record; on damage leaves a message and returns false.
class Reader {
public:
    explicit Reader(std::string_view bytes) : b_(bytes) {}

    std::size_t Offset() const { return p_; }
    bool AtEnd() const { return p_ >= b_.size(); }
    const std::string& Error() const { return error_; }

    bool Record(KeyRecord& r) {
        std::size_t start = p_;
        if (!U32(r.root, "root")) return false;
        if (!RootName(r.root)) return Fail(start, "unknown root key " + Hex(r.root));
        return Bytes(r.path, "key path") && Body(r.body, 1);
    }

private:
    static std::string Hex(std::uint32_t v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
        return buf;
    }

    bool Fail(std::size_t at, const std::string& what) {
        error_ = what + " at byte " + std::to_string(at);
        return false;
    }

    bool U32(std::uint32_t& v, const char* what) {
        if (b_.size() - p_ < 4) return Fail(p_, std::string("the file ends inside a ") + what);
        const unsigned char* u = reinterpret_cast<const unsigned char*>(b_.data() + p_);
        v = std::uint32_t{u[0]} | (std::uint32_t{u[1]} << 8) | (std::uint32_t{u[2]} << 16) | (std::uint32_t{u[3]} << 24);
        p_ += 4;
        return true;
    }

    bool Bytes(std::string& s, const char* what) {
        std::size_t at = p_;
        std::uint32_t n = 0;
        if (!U32(n, what)) return false;
        if (n > b_.size() - p_)
            return Fail(at, std::string("the ") + what + " length " + std::to_string(n) + " runs past the end of the file");
        s.assign(b_.data() + p_, n);
        p_ += n;
        return true;
    }

    // A count of items that take at least minSize bytes each must fit in the bytes left.
    bool Count(std::uint32_t& n, std::size_t minSize, const char* what) {
        std::size_t at = p_;
        if (!U32(n, what)) return false;
        if (n > (b_.size() - p_) / minSize)
            return Fail(at, std::string("the ") + what + " " + std::to_string(n) + " is more than the file can hold");
        return true;
    }

    bool Body(KeyBody& body, int depth) {
        if (depth > kMaxDepth) return Fail(p_, "sub-keys nested deeper than " + std::to_string(kMaxDepth) + " levels");
        std::uint32_t values = 0;
        if (!Count(values, 12, "value count")) return false;
        // Items are added as they are read, never reserved from a count: a damaged file that
        // declares large counts on every level must not cost more memory than its own size.
        for (std::uint32_t i = 0; i < values; ++i) {
            Value& v = body.values.emplace_back();
            if (!Bytes(v.name, "value name") || !U32(v.type, "value type") || !Bytes(v.data, "value data")) return false;
        }
        std::uint32_t subKeys = 0;
        if (!Count(subKeys, 12, "sub-key count")) return false;
        for (std::uint32_t i = 0; i < subKeys; ++i) {
            SubKey& s = body.subKeys.emplace_back();
            std::size_t at = p_;
            if (!Bytes(s.name, "sub-key name")) return false;
            // The registry has no such names; applying one would write into the parent or deeper.
            if (s.name.empty() || s.name.find('\\') != std::string::npos)
                return Fail(at, "a sub-key named \"" + s.name + "\"");
            if (!Body(s.body, depth + 1)) return false;
        }
        return true;
    }

    std::string_view b_;
    std::size_t p_ = 0;
    std::string error_;
};

}  // namespace

void AppendRecord(std::string& out, const KeyRecord& record) {
    PutU32(out, record.root);
    PutBytes(out, record.path);
    PutBody(out, record.body);
}

std::string Encode(const std::vector<KeyRecord>& records) {
    std::string out;
    for (const KeyRecord& r : records) AppendRecord(out, r);
    return out;
}

DecodeResult Decode(std::string_view bytes) {
    DecodeResult result;
    if (bytes.empty()) {
        result.damaged = true;
        result.damage = "the file is empty";
        return result;
    }
    Reader reader(bytes);
    while (!reader.AtEnd()) {
        std::size_t start = reader.Offset();
        KeyRecord record;
        if (!reader.Record(record)) {
            result.damaged = true;
            result.damageOffset = start;
            result.damage = "record " + std::to_string(result.records.size() + 1) + ": " + reader.Error();
            break;
        }
        result.records.push_back(std::move(record));
    }
    return result;
}

std::string BackupFileName(int year, int month, int day, int hour, int minute, int second, int attempt) {
    char buf[64];
    if (attempt <= 0)
        std::snprintf(buf, sizeof buf, "%4.4d-%2.2d-%2.2d_%2.2d-%2.2d-%2.2d.reg", year, month, day, hour, minute, second);
    else
        std::snprintf(buf, sizeof buf, "%4.4d-%2.2d-%2.2d_%2.2d-%2.2d-%2.2d_%3.3d.reg", year, month, day, hour, minute,
                      second, attempt);
    return buf;
}

namespace {

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Seconds since 0000-03-01 of a stamp already checked by ParseBackupFileName.
long long SecondsOf(const BackupStamp& s) {
    const int y = s.month <= 2 ? s.year - 1 : s.year;
    const int m = s.month <= 2 ? s.month + 9 : s.month - 3;  // March is 0
    const long long days = 365LL * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + s.day - 1;
    return days * 86400 + s.hour * 3600 + s.minute * 60 + s.second;
}

}  // namespace

bool ParseBackupFileName(std::string_view name, BackupStamp& stamp) {
    // "YYYY-MM-DD_HH-MM-SS" then "_NNN" or nothing, then ".reg".
    static const char kShape[] = "dddd-dd-dd_dd-dd-dd";
    const std::size_t length = sizeof kShape - 1;
    if (name.size() != length + 4 && name.size() != length + 8) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (kShape[i] == 'd' ? !digit : name[i] != kShape[i]) return false;
    }
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (name[i] - '0');
        return v;
    };
    BackupStamp s;
    s.year = number(0, 4);
    s.month = number(5, 2);
    s.day = number(8, 2);
    s.hour = number(11, 2);
    s.minute = number(14, 2);
    s.second = number(17, 2);
    std::size_t ext = length;
    if (name.size() == length + 8) {
        if (name[length] != '_') return false;
        for (std::size_t i = length + 1; i < length + 4; ++i)
            if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        s.attempt = number(length + 1, 3);
        if (s.attempt == 0) return false;
        ext += 4;
    }
    std::string tail(name.substr(ext));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    // Years before 1601 are no system time.
    if (tail != ".reg" || s.year < 1601 || s.month < 1 || s.month > 12 || s.day < 1 ||
        s.day > DaysInMonth(s.year, s.month) || s.hour > 23 || s.minute > 59 || s.second > 59)
        return false;
    stamp = s;
    return true;
}

bool IsBackupFileName(std::string_view name) {
    BackupStamp unused;
    return ParseBackupFileName(name, unused);
}

bool IsFutureStamp(const BackupStamp& stamp, const BackupStamp& now) {
    return SecondsOf(stamp) > SecondsOf(now) + 86400;
}

bool BackupNameBefore(const std::string& a, const std::string& b) {
    // The fixed-width stamp makes name order time order; ".REG" and ".reg" sort alike.
    int c = a.compare(0, a.size() - 4, b, 0, b.size() - 4);
    return c != 0 ? c < 0 : a < b;
}

std::size_t NewestBackupIndex(const std::vector<std::string>& names, const BackupStamp& now) {
    std::size_t newest = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        BackupStamp s;
        if (!ParseBackupFileName(names[i], s) || IsFutureStamp(s, now)) continue;
        if (newest == names.size() || BackupNameBefore(names[newest], names[i])) newest = i;
    }
    return newest;
}

std::vector<std::string> BackupsToPrune(std::vector<std::string> names, const std::string& justWritten, int keep) {
    bool newInFolder = false;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& n) {
                                   if (n == justWritten) newInFolder = true;
                                   return n == justWritten || !IsBackupFileName(n);
                               }),
                names.end());
    std::sort(names.begin(), names.end(), BackupNameBefore);
    std::size_t others = static_cast<std::size_t>(std::max(0, keep - (newInFolder ? 1 : 0)));
    if (names.size() <= others) return {};
    names.resize(names.size() - others);
    return names;
}

}  // namespace backup

// The registry backup file and an in-memory tree of what it holds. The file is a sequence of key
// records with no header and no count; integers are unsigned 32-bit little-endian, names and paths
// are the ANSI bytes without a terminator:
//   key record: root, path length, path, key body
//   key body:   value count, values (name length, name, type, data length, data),
//               sub-key count, sub-keys (name length, name, key body)
// Nothing here needs Windows, so the format is tested and fuzzed natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace backup {

// The predefined root keys a record may name, as their handle values.
constexpr std::uint32_t kClassesRoot = 0x80000000u;
constexpr std::uint32_t kCurrentUser = 0x80000001u;
constexpr std::uint32_t kLocalMachine = 0x80000002u;
constexpr std::uint32_t kUsers = 0x80000003u;

// Registry paths have at most 512 levels; anything deeper in a file is damage.
constexpr int kMaxDepth = 512;

struct Value {
    std::string name;  // empty for the unnamed value
    std::uint32_t type = 0;
    std::string data;  // raw bytes
};

struct SubKey;

struct KeyBody {
    std::vector<Value> values;
    std::vector<SubKey> subKeys;
};

struct SubKey {
    std::string name;
    KeyBody body;
};

struct KeyRecord {
    std::uint32_t root = kClassesRoot;
    std::string path;  // below the root, as the error record held it
    KeyBody body;
};

bool operator==(const Value& a, const Value& b);
bool operator==(const KeyBody& a, const KeyBody& b);
bool operator==(const SubKey& a, const SubKey& b);
bool operator==(const KeyRecord& a, const KeyRecord& b);

// "HKEY_CLASSES_ROOT" and the other three for the roots above; null for any other number.
const char* RootName(std::uint32_t root);

void AppendRecord(std::string& out, const KeyRecord& record);
std::string Encode(const std::vector<KeyRecord>& records);

struct DecodeResult {
    std::vector<KeyRecord> records;  // every record read completely, in file order
    bool damaged = false;            // the bytes after those records are not a complete record
    std::size_t damageOffset = 0;    // where the first incomplete record starts
    std::string damage;              // what is wrong there, for the user
};

// Reads records until the bytes end. Every length and count is checked against the bytes left
// before anything is allocated, so no input makes it read out of bounds, recurse without end or
// allocate more than the input's size allows. No bytes at all are damage too: a backup is only
// written when it holds a record, so an empty file is one that lost its contents.
DecodeResult Decode(std::string_view bytes);

// "YYYY-MM-DD_HH-MM-SS.reg"; for a later backup within the same second (attempt 1, 2, ...)
// "YYYY-MM-DD_HH-MM-SS_001.reg" and so on, which sorts after the plain name and before the next
// second's, so plain name order stays time order.
std::string BackupFileName(int year, int month, int day, int hour, int minute, int second, int attempt = 0);
constexpr int kMaxSameSecondBackups = 999;

// The local time a backup name holds, and which backup of that second it is (0 for the first).
struct BackupStamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, attempt = 0;
};

// Reads a name BackupFileName makes (".reg" in any letter case). False for every other name,
// among them impossible dates and times ("2026-02-29", hour 24) and the suffix "_000", which is
// never written.
bool ParseBackupFileName(std::string_view name, BackupStamp& stamp);

// Whether a file name is one BackupFileName makes; no other file in the backup folder is ever
// pruned, listed or restored.
bool IsBackupFileName(std::string_view name);

// Whether `stamp` lies more than a day after `now`. The day allows for a clock put right and a
// changed time zone; a name later than that is no backup this program wrote.
bool IsFutureStamp(const BackupStamp& stamp, const BackupStamp& now);

// Order of backup names by the time in them (".REG" and ".reg" alike); the names must be backup
// names.
bool BackupNameBefore(const std::string& a, const std::string& b);

// Of `names`, the index of the newest backup by the time in its name, leaving out other names and
// names in the future; names.size() when there is none.
std::size_t NewestBackupIndex(const std::vector<std::string>& names, const BackupStamp& now);

// Of the names in a backup folder, those to delete so that `keep` backups remain: only backup
// names take part, ordered by the time in their name, and `justWritten` always stays.
std::vector<std::string> BackupsToPrune(std::vector<std::string> names, const std::string& justWritten, int keep);

}  // namespace backup

#include "doctest.h"
#include "test_random.h"

#include "maintenance/BackupFormat.h"
#include "maintenance/LinkStoreFormat.h"
#include "maintenance/RegExport.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace backup;

namespace {

std::string U32(std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}
std::string Str(const std::string& s) { return U32(static_cast<std::uint32_t>(s.size())) + s; }

using Random = TestRandom;

KeyBody RandomBody(Random& rnd, int depth) {
    KeyBody body;
    std::size_t values = rnd.Below(5);
    for (std::size_t i = 0; i < values; ++i) {
        Value v;
        v.name = rnd.Below(4) == 0 ? std::string() : rnd.Bytes(1 + rnd.Below(20));
        static const std::uint32_t kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x12345678u};
        v.type = kTypes[rnd.Below(13)];
        std::size_t size = rnd.Below(8) == 0 ? 0 : rnd.Below(10) == 0 ? 20000 + rnd.Below(50000) : rnd.Below(64);
        v.data = rnd.Bytes(size);
        body.values.push_back(v);
    }
    std::size_t subKeys = depth < 4 ? rnd.Below(4) : 0;
    for (std::size_t i = 0; i < subKeys; ++i) {
        std::string name = rnd.Bytes(1 + rnd.Below(255));
        std::replace(name.begin(), name.end(), '\\', '_');
        std::replace(name.begin(), name.end(), '\0', 'z');
        body.subKeys.push_back({name, RandomBody(rnd, depth + 1)});
    }
    return body;
}

std::vector<KeyRecord> RandomRecords(Random& rnd) {
    std::vector<KeyRecord> records;
    std::size_t n = rnd.Below(6);
    for (std::size_t i = 0; i < n; ++i) {
        KeyRecord r;
        r.root = kClassesRoot + static_cast<std::uint32_t>(rnd.Below(4));
        r.path = rnd.Below(5) == 0 ? std::string() : "Software\\" + rnd.Bytes(rnd.Below(30));
        r.body = RandomBody(rnd, 0);
        records.push_back(r);
    }
    return records;
}

}  // namespace

TEST_CASE("the file layout: little-endian lengths, names without terminators, nested bodies") {
    KeyRecord r;
    r.root = kLocalMachine;
    r.path = "Software\\X";
    r.body.values = {{"", 1, std::string("a\0", 2)}, {"n", 4, std::string("\x01\x00\x00\x00", 4)}};
    r.body.subKeys = {{"Sub", KeyBody{{{"e", 3, ""}}, {}}}};
    KeyRecord val;
    val.root = kClassesRoot;
    val.path = "CLSID";
    const std::string expected = U32(0x80000002u) + Str("Software\\X") + U32(2) + Str("") + U32(1) +
                                 Str(std::string("a\0", 2)) + Str("n") + U32(4) + Str(std::string("\x01\0\0\0", 4)) +
                                 U32(1) + Str("Sub") + U32(1) + Str("e") + U32(3) + Str("") + U32(0) +
                                 U32(0x80000000u) + Str("CLSID") + U32(0) + U32(0);
    CHECK(Encode({r, val}) == expected);
    DecodeResult d = Decode(expected);
    CHECK_FALSE(d.damaged);
    REQUIRE(d.records.size() == 2);
    CHECK(d.records[0] == r);
    CHECK(d.records[1] == val);
    // A backup is never written empty: no bytes at all is a file that lost its contents.
    CHECK(Decode("").records.empty());
    CHECK(Decode("").damage == "the file is empty");
    // The last key may end in empty values of 12 bytes each, its sub-keys' too, and nothing after.
    const std::string empty = Str("") + U32(1) + Str("");
    std::string tail = U32(0x80000001u) + Str("k") + U32(1) + empty + U32(1) + Str("s") + U32(6);
    for (int i = 0; i < 6; ++i) tail += empty;
    tail += U32(0);
    CHECK_FALSE(Decode(expected + tail).damaged);
    CHECK(Decode(expected + tail).records.size() == 3);
}

TEST_CASE("random key trees survive encoding and decoding") {
    Random rnd{0x9E3779B9u};
    for (int i = 0; i < 300; ++i) {
        CAPTURE(i);
        std::vector<KeyRecord> records = RandomRecords(rnd);
        std::string bytes = Encode(records);
        DecodeResult d = Decode(bytes);
        CHECK(d.damaged == records.empty());  // no records: an empty file
        CHECK(d.records == records);
    }
}

TEST_CASE("a truncated file gives back every record before the cut and names the damage") {
    Random rnd{12345u};
    std::vector<KeyRecord> records;
    while (records.size() < 3) records = RandomRecords(rnd);
    std::vector<std::size_t> boundaries{0};
    std::string bytes;
    for (const KeyRecord& r : records) {
        AppendRecord(bytes, r);
        boundaries.push_back(bytes.size());
    }
    // Every cut: the whole records before it come back unchanged; a cut inside a record is damage.
    std::size_t step = bytes.size() > 20000 ? 7 : 1;
    for (std::size_t cut = 0; cut <= bytes.size(); cut += step) {
        DecodeResult d = Decode(std::string_view(bytes).substr(0, cut));
        std::size_t whole = static_cast<std::size_t>(
            std::upper_bound(boundaries.begin(), boundaries.end(), cut) - boundaries.begin() - 1);
        REQUIRE(d.records.size() == whole);
        for (std::size_t i = 0; i < whole; ++i) CHECK(d.records[i] == records[i]);
        bool atBoundary = cut > 0 && std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
        CHECK(d.damaged == !atBoundary);
        if (d.damaged) {
            CHECK(d.damageOffset == boundaries[whole]);
            if (cut > 0) CHECK(d.damage.find("record " + std::to_string(whole + 1) + ": ") == 0);
        }
    }
    // One to three stray bytes at the end are damage too, not a silent end.
    DecodeResult tail = Decode(bytes + "\x01\x02");
    CHECK(tail.records.size() == records.size());
    CHECK(tail.damage == "record " + std::to_string(records.size() + 1) + ": the file ends inside a root at byte " +
                             std::to_string(bytes.size()));
}

TEST_CASE("corrupt lengths, counts, roots and names are refused before anything is allocated") {
    // Offsets in the messages count from the start of the file: the good record is 18 bytes.
    const std::string good = U32(0x80000001u) + Str("Ok") + U32(0) + U32(0);
    struct {
        const char* what;
        std::string bytes;
        std::string damage;
    } cases[] = {
        {"unknown root", U32(0x80000004u) + Str("x") + U32(0) + U32(0), "unknown root key 0x80000004 at byte 18"},
        {"path length", U32(0x80000000u) + U32(0xFFFFFFF0u) + "abc",
         "the key path length 4294967280 runs past the end of the file at byte 22"},
        {"value count", U32(0x80000000u) + Str("k") + U32(0xFFFFFFFFu) + std::string(30, 'x'),
         "the value count 4294967295 is more than the file can hold at byte 27"},
        {"value data", U32(0x80000000u) + Str("k") + U32(1) + Str("v") + U32(3) + U32(1000000) + "short",
         "the value data length 1000000 runs past the end of the file at byte 40"},
        {"sub-key count", U32(0x80000000u) + Str("k") + U32(0) + U32(2) + std::string(12, '\0'),
         "the sub-key count 2 is more than the file can hold at byte 31"},
        {"empty sub-key name", U32(0x80000000u) + Str("k") + U32(0) + U32(1) + Str("") + U32(0) + U32(0),
         "a sub-key named \"\" at byte 35"},
        {"sub-key name with a backslash", U32(0x80000000u) + Str("k") + U32(0) + U32(1) + Str("a\\b") + U32(0) + U32(0),
         "a sub-key named \"a\\b\" at byte 35"},
    };
    for (const auto& c : cases) {
        CAPTURE(c.what);
        DecodeResult d = Decode(good + c.bytes);
        REQUIRE(d.records.size() == 1);
        CHECK(d.damaged);
        CHECK(d.damageOffset == good.size());
        CHECK(d.damage == "record 2: " + c.damage);
    }

    // Nesting: 512 levels are fine, 513 are not.
    auto nested = [](int levels) {
        std::string bytes = U32(0x80000000u) + Str("k");
        for (int i = 1; i < levels; ++i) bytes += U32(0) + U32(1) + Str("s");
        bytes += U32(0) + U32(0);
        return bytes;
    };
    CHECK_FALSE(Decode(nested(512)).damaged);
    DecodeResult deep = Decode(nested(513));
    CHECK(deep.damaged);
    CHECK(deep.damage.find("nested deeper than 512 levels") != std::string::npos);

    // Large counts on every level of a small file: refused by the size check at each level, and
    // the items that were read never cost more than their bytes.
    std::string greedy = U32(0x80000000u) + Str("k");
    for (int i = 0; i < 400; ++i) greedy += U32(0) + U32(100000) + Str("s");
    CHECK(Decode(greedy).damaged);
}

TEST_CASE("backup file names sort in time order, same-second backups included") {
    std::vector<std::string> names{
        BackupFileName(2026, 12, 7, 22, 47, 18),    BackupFileName(2026, 12, 7, 22, 47, 18, 1),
        BackupFileName(2026, 12, 7, 22, 47, 18, 2), BackupFileName(2026, 12, 7, 22, 47, 18, 10),
        BackupFileName(2026, 12, 7, 22, 47, 18, 999), BackupFileName(2026, 12, 7, 22, 47, 19),
        BackupFileName(2026, 12, 7, 23, 0, 0),      BackupFileName(2027, 1, 1, 0, 0, 0)};
    CHECK(names[0] == "2026-12-07_22-47-18.reg");
    CHECK(names[1] == "2026-12-07_22-47-18_001.reg");
    CHECK(std::is_sorted(names.begin(), names.end()));
    for (const std::string& n : names) CHECK(IsBackupFileName(n));
    for (const char* n : {"2026-12-07_22-47-1x.reg", "2026-12-07_22-47-18.reg.bak", "2026-12-07_22-47-18_01.reg",
                          "2026-12-07_22-47-18-001.reg"})
        CHECK_FALSE(IsBackupFileName(n));
}

TEST_CASE("only real dates and times make a backup name, and the newest is chosen by that time") {
    BackupStamp s;
    SUBCASE("the shapes written, read back") {
        REQUIRE(ParseBackupFileName("2024-02-29_23-59-59_999.REG", s));  // leap day, last of a second
        CHECK((s.year == 2024 && s.month == 2 && s.day == 29 && s.hour == 23 && s.minute == 59 && s.second == 59 &&
               s.attempt == 999));
        REQUIRE(ParseBackupFileName("2000-02-29_00-00-00.reg", s));
        CHECK(s.attempt == 0);
        CHECK(ParseBackupFileName("2001-12-31_00-00-00_001.reg", s));
    }
    SUBCASE("impossible dates, times and shapes") {
        for (const char* n :
             {"2026-13-01_00-00-00.reg", "2026-00-01_00-00-00.reg", "2026-01-32_00-00-00.reg", "2026-04-31_00-00-00.reg",
              "2026-01-00_00-00-00.reg", "2023-02-29_00-00-00.reg", "1900-02-29_00-00-00.reg", "2026-01-01_24-00-00.reg",
              "2026-01-01_00-60-00.reg", "2026-01-01_00-00-60.reg", "2026-01-01-00-00-00.reg", "2026_01_01_00-00-00.reg",
              "2026-01-01_00:00:00.reg", "2026-01-01_00-00-00_000.reg", "2026-01-01_00-00-00_1.reg",
              "2026-01-01_00-00-00.reg ", "2026-01-01_00-00-00 .reg", " 2026-01-01_00-00-00.reg",
              "2026-01-01_00-00-00.rex", "2026-01-01_00-00-00_0a1.reg", "0000-01-01_00-00-00.reg", "evil.reg"}) {
            CAPTURE(n);
            CHECK_FALSE(ParseBackupFileName(n, s));
        }
    }
    SUBCASE("a name more than a day ahead is never the newest") {
        BackupStamp now;
        REQUIRE(ParseBackupFileName("2026-12-31_23-00-00.reg", now));
        REQUIRE(ParseBackupFileName("2027-01-01_23-00-00.reg", s));  // a day ahead across the year
        CHECK_FALSE(IsFutureStamp(s, now));
        REQUIRE(ParseBackupFileName("2027-01-01_23-00-01.reg", s));
        CHECK(IsFutureStamp(s, now));
        REQUIRE(ParseBackupFileName("2024-03-01_00-00-00.reg", now));
        REQUIRE(ParseBackupFileName("2024-03-02_00-00-00.reg", s));
        CHECK_FALSE(IsFutureStamp(s, now));
        REQUIRE(ParseBackupFileName("2024-03-02_00-00-01.reg", s));
        CHECK(IsFutureStamp(s, now));
        REQUIRE(ParseBackupFileName("2100-02-28_12-00-00.reg", now));  // 2100 has no leap day
        REQUIRE(ParseBackupFileName("2100-03-01_12-00-00.reg", s));
        CHECK_FALSE(IsFutureStamp(s, now));
        REQUIRE(ParseBackupFileName("2024-02-28_23-59-59.reg", now));  // the leap day counts
        REQUIRE(ParseBackupFileName("2024-03-01_00-00-00.reg", s));
        CHECK(IsFutureStamp(s, now));

        REQUIRE(ParseBackupFileName("2026-12-08_12-00-00.reg", now));
        const std::vector<std::string> names{"2026-12-08_10-00-00_002.reg", "2099-01-01_00-00-00.reg", "zzz.reg",
                                             "2026-12-08_10-00-00_010.REG", "2026-12-07_23-00-00.reg",
                                             "2026-12-09_11-00-00.reg"};
        CHECK(NewestBackupIndex(names, now) == 5);
        CHECK(NewestBackupIndex({names.begin(), names.begin() + 5}, now) == 3);
        CHECK(NewestBackupIndex({"2099-01-01_00-00-00.reg", "evil.reg"}, now) == 2);
    }
}

TEST_CASE("pruning keeps the newest by the time in the name, the new backup always, other files never") {
    std::vector<std::string> future;
    for (int day = 1; day <= 5; ++day) future.push_back(BackupFileName(2099, 1, day, 0, 0, 0));
    std::vector<std::string> names = future;
    names.insert(names.begin() + 2, {"2026-12-08_01-00-00.reg", "notes.reg", "desktop.ini"});
    CHECK(BackupsToPrune(names, "2026-12-08_01-00-00.reg", 5) == std::vector<std::string>{future[0]});
    // Same-second names and upper-case extensions in time order; nothing to prune at five or fewer.
    CHECK(BackupsToPrune({"2001-01-01_00-00-00_001.reg", "2001-01-01_00-00-00.REG", "2001-01-02_00-00-00.reg"},
                         "2001-01-02_00-00-00.reg", 2) == std::vector<std::string>{"2001-01-01_00-00-00.REG"});
    CHECK(BackupsToPrune(future, "", 5).empty());
    CHECK(BackupsToPrune(future, "", 4) == std::vector<std::string>{future[0]});
}

TEST_CASE("the registry-editor export, byte for byte") {
    KeyRecord r;
    r.root = kClassesRoot;
    r.path = "CLSID\\{1}";
    r.body.values = {
        {"", 1, std::string("C:\\Bob's \"files\"\\a.dll\0", 23)},
        {"dw", 4, std::string("\x0a\x00\x00\x80", 4)},
        {"bin", 3, std::string("\x00\xff", 2)},
        {"exp", 2, std::string("%x%\0", 4)},
        {"multi", 7, std::string("a\0b\0\0", 5)},
        {"q", 11, std::string(8, '\x01')},
        {"none", 0, ""},
        {"big-endian", 5, std::string("\0\0\0\1", 4)},
        {"odd", 0x12345678u, "z"},
        {"short dword", 4, "ab"},
        {"unterminated", 1, "abc"},
        {"lines", 1, std::string("a\r\nb\0", 5)},
        {"empty", 1, ""},
        {"na\"me\\", 1, std::string("\xe9\0", 2)},
    };
    r.body.subKeys = {{"InprocServer32", KeyBody{{{"ThreadingModel", 1, std::string("Both\0", 5)}}, {}}},
                      {"Empty", KeyBody{}}};
    KeyRecord top;
    top.root = kUsers;
    const std::string expected =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}]\r\n"
        "@=\"C:\\\\Bob's \\\"files\\\"\\\\a.dll\"\r\n"
        "\"dw\"=dword:8000000a\r\n"
        "\"bin\"=hex:00,ff\r\n"
        "\"exp\"=hex(2):25,78,25,00\r\n"
        "\"multi\"=hex(7):61,00,62,00,00\r\n"
        "\"q\"=hex(b):01,01,01,01,01,01,01,01\r\n"
        "\"none\"=hex(0):\r\n"
        "\"big-endian\"=hex(5):00,00,00,01\r\n"
        "\"odd\"=hex(12345678):7a\r\n"
        "\"short dword\"=hex(4):61,62\r\n"
        "\"unterminated\"=hex(1):61,62,63\r\n"
        "\"lines\"=hex(1):61,0d,0a,62,00\r\n"
        "\"empty\"=hex(1):\r\n"
        "\"na\\\"me\\\\\"=\"\xe9\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}\\InprocServer32]\r\n"
        "\"ThreadingModel\"=\"Both\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}\\Empty]\r\n"
        "\r\n"
        "[HKEY_USERS]\r\n"
        "\r\n";
    CHECK(ExportRegedit4({r, top}) == expected);
}

TEST_CASE("the export writes strings with a zero inside as hex and leaves out names an editor cannot read") {
    KeyRecord r;
    r.root = kCurrentUser;
    r.path = "S";
    r.body.values = {{"sz", 1, std::string("a\0b\0", 4)},
                     {"expand", 2, std::string("%a%\0b\0", 6)},
                     {"line\nbreak", 1, std::string("x\0", 2)},
                     {std::string("zero\0", 5), 4, std::string(4, '\0')}};
    r.body.subKeys = {{"sub\r", KeyBody{{{"v", 1, std::string("y\0", 2)}}, {}}}};
    std::vector<std::string> omitted;
    CHECK(ExportRegedit4({r}, &omitted) ==
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n"
          "\"sz\"=hex(1):61,00,62,00\r\n"
          "\"expand\"=hex(2):25,61,25,00,62,00\r\n"
          "; a value whose name holds a line break or a zero byte cannot be written here\r\n"
          "; a value whose name holds a line break or a zero byte cannot be written here\r\n\r\n"
          "; a key whose name holds a line break or a zero byte cannot be written here\r\n\r\n");
    CHECK(omitted == std::vector<std::string>{"value \"line\\nbreak\" in [HKEY_CURRENT_USER\\S]",
                                              "value \"zero\\0\" in [HKEY_CURRENT_USER\\S]",
                                              "key [HKEY_CURRENT_USER\\S\\sub\\r] and everything below it"});
}

TEST_CASE("long hex data is continued with ,\\ on lines of at most 78 columns") {
    KeyRecord r;
    r.root = kLocalMachine;
    r.path = "S";
    std::string data;
    for (int i = 0; i < 30; ++i) data += static_cast<char>(i);
    r.body.values = {{"blob", 3, data}, {std::string(80, 'n'), 3, "\x01\x02"}};
    CHECK(ExportRegedit4({r}) ==
          "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n"
          "\"blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
          "  16,17,18,19,1a,1b,1c,1d\r\n"
          // A name too long for the line still keeps one byte beside it.
          "\"" + std::string(80, 'n') + "\"=hex:01,\\\r\n"
          "  02\r\n\r\n");
}

TEST_CASE("the store of shortcut files reads back exactly, and every damage is found and named") {
    SavedLink a{"C:\\x\\a.lnk", 0x21, 1, 2, 3, std::string("L\0\0\0link", 8)};
    SavedLink b{"C:\\x\\b.lnk", 0x20, 4, 5, 6, ""};
    const std::string bytes = EncodeLinks({a, b});
    LinkDecodeResult whole = DecodeLinks(bytes);
    CHECK_FALSE(whole.damaged);
    CHECK(whole.links == std::vector<SavedLink>{a, b});

    SUBCASE("cut anywhere: damaged, and only the links read whole are kept") {
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            CAPTURE(n);
            LinkDecodeResult cut = DecodeLinks(bytes.substr(0, n));
            CHECK(cut.damaged);
            CHECK_FALSE(cut.damage.empty());
            CHECK(cut.links.size() <= 1);
            if (!cut.links.empty()) CHECK(cut.links[0] == a);
        }
    }
    SUBCASE("a changed byte of a link's contents, a count too large, bytes after the end") {
        std::string changed = bytes;
        changed[bytes.find("link") + 3] ^= 1;  // the last byte of a's contents
        LinkDecodeResult r = DecodeLinks(changed);
        CHECK(r.damaged);
        CHECK(r.links.empty());
        CHECK(r.damage.find("checksum") != std::string::npos);
        std::string more = bytes;
        more[8] = 3;
        CHECK(DecodeLinks(more).damaged);
        CHECK(DecodeLinks(more).links.size() == 2);
        CHECK(DecodeLinks(bytes + "x").damaged);
    }
    CHECK(LinkStoreName("C:\\B\\2026-01-02_03-04-05.REG") == "C:\\B\\2026-01-02_03-04-05.links");
    CHECK(LinkStoreName("backup") == "backup.links");
}

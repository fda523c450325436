// What a restore may write (the key families) and the signature file beside a backup.
#include "doctest.h"

#include "maintenance/RestoreScope.h"
#include "maintenance/SignatureFormat.h"
#include "registry/KeyFamilies.h"

#include <string>

using namespace backup;

namespace {

const std::string kRun = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

KeyRecord Record(std::uint32_t root, const std::string& path) {
    KeyRecord r;
    r.root = root;
    r.path = path;
    r.body.values = {{"v", 1, std::string("x\0", 2)}};
    return r;
}

}  // namespace

TEST_CASE("key families: the family key and what lies below it, letter case aside, and nothing beside it") {
    SUBCASE("every family and its Wow6432Node twin") {
        for (std::size_t i = 0; i < kScannedKeyFamilyCount; ++i) {
            const std::string family = kScannedKeyFamilies[i];
            CAPTURE(family);
            CHECK(InScannedKeyFamily(family));
            CHECK(InScannedKeyFamily(family + "\\sub\\deeper"));
            CHECK_FALSE(InScannedKeyFamily(family + "X"));
            CHECK_FALSE(InScannedKeyFamily(family.substr(0, family.size() - 1)));
        }
        CHECK(InScannedKeyFamily("HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{x}"));
        CHECK(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CLASSES_ROOT\\Wow6432Node\\Wow6432Node\\CLSID\\{x}"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion"));
    }
    SUBCASE("letter case and the boundary after the family key") {
        CHECK(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run"));
        CHECK(InScannedKeyFamily("hkey_local_machine\\SOFTWARE\\MICROSOFT\\windows\\currentversion\\run\\x"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "X"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "Once"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "Once\\x"));
        CHECK(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\html help"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\helpers"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CLASSES_ROOT\\CLSIDX\\{x}"));
    }
    SUBCASE("the current user's keys of the categories that scan them, and no other per-user key") {
        const std::string user = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\";
        for (const char* key : {"App Paths\\tw.exe", "Run", "Uninstall\\tw"}) CHECK(InScannedKeyFamily(user + key));
        CHECK(InScannedKeyFamily("hkey_current_user\\software\\microsoft\\windows\\currentversion\\run"));
        CHECK(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{x}\\InprocServer32"));
        CHECK(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID\\{x}"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Classes\\Interface\\{x}"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Classes\\CLSIDX\\{x}"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Classes"));
        CHECK_FALSE(InScannedKeyFamily(user + "RunOnce"));
        CHECK_FALSE(InScannedKeyFamily(user + "SharedDLLs"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Microsoft\\Shared Tools\\x"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_USERS\\S-1-5-21-1\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"));
    }
    SUBCASE("other roots and places that a planted backup would aim at") {
        CHECK_FALSE(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\CLSID\\{x}"));
        CHECK_FALSE(InScannedKeyFamily(
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\sethc.exe"));
        CHECK_FALSE(InScannedKeyFamily("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft"));
        CHECK_FALSE(InScannedKeyFamily(""));
    }
    SUBCASE("paths with empty, '.' or '..' parts are never in a family") {
        CHECK_FALSE(InScannedKeyFamily(kRun + "\\..\\..\\Policies"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "\\.\\x"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "\\\\x"));
        CHECK_FALSE(InScannedKeyFamily(kRun + "\\"));
        CHECK(InScannedKeyFamily(kRun + "\\...\\.x"));  // names, not steps
        CHECK_FALSE(IsPlainKeyPath("\\x"));
        CHECK(IsPlainKeyPath("a b\\c"));
    }
}

TEST_CASE("a backup is checked whole: the first key outside the families is named") {
    const std::string runBelowRoot = kRun.substr(std::string("HKEY_LOCAL_MACHINE\\").size());
    std::vector<KeyRecord> records = {Record(kClassesRoot, "CLSID\\{x}"), Record(kLocalMachine, runBelowRoot)};
    CHECK(FirstKeyOutsideFamilies(records) == "");
    CHECK(FirstKeyOutsideFamilies({}) == "");

    SUBCASE("a record elsewhere, after records that may be written") {
        records.push_back(Record(kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"));
        CHECK(FirstKeyOutsideFamilies(records) == kRun + "Once");
    }
    SUBCASE("the same path under another root, an unknown root, the root itself") {
        records.push_back(Record(kCurrentUser, runBelowRoot));  // the user's Run: a family of its own
        CHECK(FirstKeyOutsideFamilies(records) == "");
        records.push_back(Record(kUsers, runBelowRoot));
        CHECK(FirstKeyOutsideFamilies(records) == "HKEY_USERS\\" + runBelowRoot);
        records.back() = Record(kCurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
        CHECK(FirstKeyOutsideFamilies(records) == "HKEY_CURRENT_USER\\" + records.back().path);
        records.back() = Record(0x80000005u, runBelowRoot);
        CHECK(FirstKeyOutsideFamilies(records).find("(root ") == 0);
        records.back() = Record(kLocalMachine, "");
        CHECK(FirstKeyOutsideFamilies(records) == "HKEY_LOCAL_MACHINE\\");
    }
    SUBCASE("a sub-key name that climbs or is empty, however deep") {
        records[1].body.subKeys = {{"ok\\two", {}}, {"fine", {{}, {{"..", {}}}}}};
        CHECK(FirstKeyOutsideFamilies(records) == kRun + "\\fine\\..");
        records[1].body.subKeys = {{"a\\\\b", {}}};
        CHECK(FirstKeyOutsideFamilies(records) == kRun + "\\a\\\\b");
        records[1].body.subKeys = {{"a\\b\\c", {}}};
        CHECK(FirstKeyOutsideFamilies(records) == "");
    }
}

TEST_CASE("signature file: name, text, and what the hash covers") {
    CHECK(SignatureFileName("2026-12-08_14-50-00.reg") == "2026-12-08_14-50-00.sig");
    CHECK(SignatureFileName("C:\\x\\Registry Backups\\2026-12-08_14-50-00_001.REG") ==
          "C:\\x\\Registry Backups\\2026-12-08_14-50-00_001.sig");
    CHECK(SignatureFileName("noext") == "noext.sig");

    Digest d{};
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<unsigned char>(i * 37 + 5);
    const std::string text = FormatSignature(d);
    CHECK(text.size() == 20 + 64 + 2);
    Digest back{};
    REQUIRE(ParseSignature(text, back));
    CHECK(back == d);

    SUBCASE("accepted: upper-case digits, no line end") {
        std::string upper = text.substr(0, text.size() - 2);
        for (std::size_t i = 20; i < upper.size(); ++i) upper[i] = static_cast<char>(std::toupper(upper[i]));
        Digest u{};
        CHECK(ParseSignature(upper, u));
        CHECK(u == d);
    }
    SUBCASE("refused: anything else") {
        for (const std::string& bad : {text.substr(0, text.size() - 3), text.substr(1), "TWSIG2" + text.substr(6),
                                       text.substr(0, 30) + "g" + text.substr(31), text + "x",
                                       text.substr(0, text.size() - 2) + "0\r\n", std::string()}) {
            CAPTURE(bad);
            CHECK_FALSE(ParseSignature(bad, back));
        }
    }
    SUBCASE("the hashed input tells every backup apart") {
        auto input = [](const std::string& name, const std::string& reg, const std::string* links) {
            return SignedPreamble(name, reg.size(), links != nullptr, links ? links->size() : 0) + reg +
                   (links ? *links : "");
        };
        const std::string name = "2026-12-08_14-50-00.reg", c = "c", bc = "bc", none;
        CHECK(input(name, "ab", &c) != input(name, "a", &bc));          // bytes moved between the files
        CHECK(input(name, "ab", nullptr) != input(name, "ab", &none));  // no store, or an empty one
        CHECK(input(name, "ab", nullptr) != input("2026-12-08_14-50-01.reg", "ab", nullptr));
    }
    SUBCASE("the name as written, whatever its letter case; other names have none") {
        CHECK(CanonicalBackupName("2026-12-08_14-50-00_002.REG") == "2026-12-08_14-50-00_002.reg");
        CHECK(CanonicalBackupName("evil.reg") == "");
    }
    Digest other = d;
    other[31] ^= 1;
    CHECK_FALSE(SameDigest(d, other));
    CHECK(SameDigest(d, d));
}

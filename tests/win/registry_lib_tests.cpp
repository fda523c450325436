// CRegistryLib against Wine's real registry.
#include "doctest.h"

#include "platform/Codepage.h"
#include "registry/RegistryLib.h"
#include "test_registry.h"

#include <algorithm>

using testreg::ScratchKey;

namespace {

const char kBase[] = "Software\\TidewarpTests\\Lib";

const RegValueEntry* Find(const std::vector<RegValueEntry>& list, const std::string& name) {
    for (const RegValueEntry& e : list)
        if (e.name == name) return &e;
    return nullptr;
}

std::vector<RegValueEntry> List(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyA(root, path.c_str(), &key) == ERROR_SUCCESS);
    std::vector<RegValueEntry> list;
    CRegistryLib::ListValues(key, list);
    RegCloseKey(key);
    return list;
}

}  // namespace

TEST_CASE("registry paths split at the first backslash") {
    std::string p = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools";
    CHECK(CRegistryLib::SeperateMainKey(p) == "HKEY_LOCAL_MACHINE");
    CHECK(p == "SOFTWARE\\Microsoft\\Shared Tools");
    p = "HKEY_LOCAL_MACHINE";
    CHECK(CRegistryLib::SeperateMainKey(p) == "HKEY_LOCAL_MACHINE");
    CHECK(p.empty());
    p = "";
    CHECK(CRegistryLib::SeperateMainKey(p).empty());
    p = "HKEY_USERS\\";
    CHECK(CRegistryLib::SeperateMainKey(p) == "HKEY_USERS");
    CHECK(p.empty());
}

TEST_CASE("keys open by root name in any letter case; unknown roots fail with 1") {
    HKEY key = nullptr;
    CHECK(CRegistryLib::OpenKey("HKEY_LOCAL_MACHINE", "", &key) == ERROR_SUCCESS);
    CHECK(key != nullptr);
    RegCloseKey(key);
    key = nullptr;
    CHECK(CRegistryLib::OpenKey("hkey_local_machine", "Software", &key) == ERROR_SUCCESS);
    RegCloseKey(key);
    CHECK(CRegistryLib::OpenKey("HKEY_CURRENT_CONFIG", "", &key) == ERROR_SUCCESS);
    CHECK(CRegistryLib::OpenKey("HKLM", "Software", &key) == 1);
    CHECK(CRegistryLib::OpenKey("HKEY_LOCAL_MACHINE", "Software", nullptr) == 1);
    CHECK(CRegistryLib::OpenKey("HKEY_LOCAL_MACHINE", "Software\\NoSuchTidewarpKey", &key) == ERROR_FILE_NOT_FOUND);
}

TEST_CASE("deleting values and keys") {
    CRegistryLib lib;
    ScratchKey scratch(HKEY_LOCAL_MACHINE, kBase);
    const std::string path = std::string(kBase) + "\\Del";
    testreg::SetString(HKEY_LOCAL_MACHINE, path, "", "default");
    testreg::SetString(HKEY_LOCAL_MACHINE, path, "named", "x");
    testreg::SetString(HKEY_LOCAL_MACHINE, path, "other", "y");

    SUBCASE("a named value and the default value") {
        CHECK(lib.DeleteValue("HKEY_LOCAL_MACHINE", path, "named") == ERROR_SUCCESS);
        CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, path, "named"));
        CHECK(lib.DeleteValue("HKEY_LOCAL_MACHINE", path, "(Default)") == ERROR_SUCCESS);
        CHECK_FALSE(testreg::ValueExists(HKEY_LOCAL_MACHINE, path, ""));
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, path, "other"));
        CHECK(lib.DeleteValue("HKEY_LOCAL_MACHINE", path, "named") == ERROR_FILE_NOT_FOUND);
        CHECK(lib.DeleteValue("HKEY_NOWHERE", path, "other") == 1);
        CHECK(testreg::ValueExists(HKEY_LOCAL_MACHINE, path, "other"));
    }
    SUBCASE("a key with sub-keys on the NT family removes the whole tree") {
        lib.SetIs9x(false);
        testreg::SetString(HKEY_LOCAL_MACHINE, path + "\\a\\b\\c", "v", "1");
        testreg::CreateKey(HKEY_LOCAL_MACHINE, path + "\\a\\d");
        testreg::CreateKey(HKEY_LOCAL_MACHINE, path + "\\e");
        CHECK(lib.DeleteKey("HKEY_LOCAL_MACHINE", path) == ERROR_SUCCESS);
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, path));
        CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, kBase));
    }
    SUBCASE("the 9x family deletes with one call, which an NT system refuses for a tree") {
        lib.SetIs9x(true);
        testreg::CreateKey(HKEY_LOCAL_MACHINE, path + "\\child");
        CHECK(lib.DeleteKey("HKEY_LOCAL_MACHINE", path) == ERROR_ACCESS_DENIED);
        CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, path + "\\child"));
        testreg::DeleteTreeQuietly(HKEY_LOCAL_MACHINE, path + "\\child");
        CHECK(lib.DeleteKey("HKEY_LOCAL_MACHINE", path) == ERROR_SUCCESS);
        CHECK_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, path));
    }
    SUBCASE("unknown roots, empty and missing paths touch nothing") {
        CHECK(lib.DeleteKey("HKEY_NOWHERE", path) == 1);
        CHECK(CRegistryLib::DeleteTree(HKEY_LOCAL_MACHINE, "") == ERROR_BADKEY);
        CHECK(CRegistryLib::DeleteTree(HKEY_LOCAL_MACHINE, std::string(kBase) + "\\Missing") == ERROR_FILE_NOT_FOUND);
        CHECK(testreg::KeyExists(HKEY_LOCAL_MACHINE, path));
    }
}

TEST_CASE("listing values names the default value and renders every type") {
    ScratchKey scratch(HKEY_LOCAL_MACHINE, kBase);
    const std::string path = std::string(kBase) + "\\List";

    SUBCASE("a key without a default value lists it first as not set") {
        testreg::SetString(HKEY_LOCAL_MACHINE, path, "a", "1");
        auto list = List(HKEY_LOCAL_MACHINE, path);
        REQUIRE(list.size() == 2);
        CHECK(list[0].name == "(Default)");
        CHECK(list[0].text == "(value not set)");
        CHECK(list[0].type == REG_SZ);
    }
    SUBCASE("an empty default value reads as not set; a set one as its text") {
        testreg::SetString(HKEY_LOCAL_MACHINE, path, "", "");
        auto list = List(HKEY_LOCAL_MACHINE, path);
        REQUIRE(list.size() == 1);
        CHECK(list[0].text == "(value not set)");
        testreg::SetString(HKEY_LOCAL_MACHINE, path, "", "C:\\x.dll", REG_EXPAND_SZ);
        list = List(HKEY_LOCAL_MACHINE, path);
        REQUIRE(list.size() == 1);
        CHECK(list[0].text == "C:\\x.dll");
        CHECK(list[0].type == REG_EXPAND_SZ);
    }
    SUBCASE("every type round-trips through its text") {
        struct Case {
            const char* name;
            DWORD type;
            std::vector<unsigned char> data;
            const char* text;
        } cases[] = {
            {"sz", REG_SZ, {'a', 'b', 0}, "ab"},
            {"expand", REG_EXPAND_SZ, {'%', 'x', '%', 0}, "%x%"},
            {"bin", REG_BINARY, {0, 0x7f, 0xff}, "00 7f ff"},
            {"dword", REG_DWORD, {0xff, 0xff, 0xff, 0xff}, "0xffffffff (-1)"},
            {"multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}, "a\r\nb"},
            {"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0x80}, "0x8000000000000001"},
            {"reslist", REG_RESOURCE_LIST, {1, 2}, "01 02"},
            {"emptybin", REG_BINARY, {}, ""},
        };
        for (const Case& c : cases) testreg::SetBytes(HKEY_LOCAL_MACHINE, path, c.name, c.type, c.data);
        auto list = List(HKEY_LOCAL_MACHINE, path);
        CHECK(list.size() == std::size(cases) + 1);
        for (const Case& c : cases) {
            CAPTURE(c.name);
            const RegValueEntry* e = Find(list, c.name);
            REQUIRE(e);
            CHECK(e->type == c.type);
            CHECK(e->text == c.text);
            if (c.data.empty()) continue;
            CHECK(CRegistryLib::ParseValue(e->text, e->type) == c.data);
        }
    }
    SUBCASE("a value of 20,000 bytes is listed whole") {
        std::vector<unsigned char> big(20000, 0xab);
        testreg::SetBytes(HKEY_LOCAL_MACHINE, path, "big", REG_BINARY, big);
        auto list = List(HKEY_LOCAL_MACHINE, path);
        const RegValueEntry* e = Find(list, "big");
        REQUIRE(e);
        CHECK(CRegistryLib::ParseValue(e->text, REG_BINARY) == big);
    }
}

TEST_CASE("the Internet Explorer path comes from its App Paths key without semicolons") {
    CRegistryLib lib;
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
    testreg::SetString(HKEY_LOCAL_MACHINE, key, "Path", "C:\\Program Files\\Internet Explorer;");
    CHECK(lib.FindIePath() == "C:\\Program Files\\Internet Explorer");
    testreg::SetString(HKEY_LOCAL_MACHINE, key, "PATH", "C:\\a;C:\\b;");
    CHECK(lib.FindIePath() == "C:\\aC:\\b");  // value names ignore letter case: one value
}

TEST_CASE("a missing file is an error unless its exact path is ignored") {
    CRegistryLib lib;
    CHECK(lib.CheckFile("C:\\windows\\system32\\kernel32.dll", 0) == 0);
    CHECK(lib.CheckFile("C:\\tidewarp-missing\\gone.dll", 0) == -1);
    ErrorRecord ignored;
    ignored.SetItem("C:\\tidewarp-missing\\gone.dll");
    ignored.SetCategory("CLSID");
    lib.IgnoreList().push_back(ignored);
    CHECK(lib.CheckFile("C:\\tidewarp-missing\\gone.dll", 0) == 0);
    CHECK(lib.CheckFile("C:\\TIDEWARP-MISSING\\gone.dll", 0) == -1);
}

TEST_CASE("only text the code page spells exactly converts as exact") {
    std::string out;
    CHECK(tw::Utf16ToAnsiExact(u"C:\\plain\\a.dll", out));
    CHECK(out == "C:\\plain\\a.dll");
    CHECK(tw::Utf16ToAnsiExact(u"", out));
    CHECK_FALSE(tw::Utf16ToAnsiExact(u"C:\\uni\\\u4E2D\u6587.dll", out));
    // A best-fit look-alike ('a' for a-macron) names another file just as '?' does.
    CHECK_FALSE(tw::Utf16ToAnsiExact(u"C:\\\u0101.dll", out));
}

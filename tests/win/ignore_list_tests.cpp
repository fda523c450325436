// "ignore.lst" in the current directory: loading, saving, and what a failed save leaves behind.
#include "doctest.h"

#include "platform/SafeFile.h"
#include "registry/RegistryLib.h"
#include "test_registry.h"

namespace {

struct CleanFolder {
    CleanFolder() { Clean(); }
    ~CleanFolder() { Clean(); }
    static void Clean() {
        DeleteFileA("ignore.lst");
        DeleteFileA(tw::TemporaryNameFor("ignore.lst").c_str());
        RemoveDirectoryA(tw::TemporaryNameFor("ignore.lst").c_str());
    }
};

ErrorRecord Entry(const std::string& item, const std::string& category) {
    ErrorRecord r;
    r.SetItem(item);
    r.SetCategory(category);
    r.SetKeyPath("HKEY_CLASSES_ROOT\\CLSID\\{x}");
    r.SetFixKind("KEY");
    r.SetValue(RegValueEntry{"(Default)", item, 1});
    return r;
}

}  // namespace

TEST_CASE("saving then loading keeps order, items and categories only") {
    CleanFolder folder;
    {
        CRegistryLib lib;
        CHECK(lib.IgnoreList().empty());  // no file yet
        lib.IgnoreList().push_back(Entry("C:\\gone\\a.dll", "CLSID"));
        lib.IgnoreList().push_back(Entry("C:\\Users\\me\\Desktop\\old.lnk", "SHORTCUT"));
        lib.IgnoreList().push_back(Entry("C:\\gone\\b\xe9.hlp", "Help"));
        CHECK(lib.SaveIgnoreList() == 0);
    }
    CHECK(testreg::ReadFile("ignore.lst") ==
          "C:\\gone\\a.dll\r\nCLSID\r\nC:\\Users\\me\\Desktop\\old.lnk\r\nSHORTCUT\r\nC:\\gone\\b\xe9.hlp\r\nHelp\r\n");
    CHECK_FALSE(testreg::FileExists(tw::TemporaryNameFor("ignore.lst")));

    CRegistryLib reloaded;  // a new instance reads the file
    const ErrorList& list = reloaded.IgnoreList();
    REQUIRE(list.size() == 3);
    CHECK(list[0].Item() == "C:\\gone\\a.dll");
    CHECK(list[0].Category() == "CLSID");
    CHECK(list[1].Category() == "SHORTCUT");
    CHECK(list[2].Item() == "C:\\gone\\b\xe9.hlp");
    CHECK(list[0].KeyPath().empty());
    CHECK(list[0].FixKind().empty());
    CHECK(list[0].Value() == nullptr);
    CHECK(reloaded.IsIgnored("C:\\gone\\a.dll"));
    CHECK_FALSE(reloaded.IsIgnored("c:\\gone\\a.dll"));
}

TEST_CASE("a file written by hand loads as a text-mode reader sees it") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", "C:\\a.dll\r\nCLSID\r\nC:\\b.dll\nHelp\nunpaired\r\n");
    CRegistryLib lib;
    REQUIRE(lib.IgnoreList().size() == 2);
    CHECK(lib.IgnoreList()[1].Item() == "C:\\b.dll");
    CHECK(lib.IgnoreList()[1].Category() == "Help");
    // A rewrite keeps the unpaired line after the entries, the new one included.
    lib.IgnoreList().push_back(Entry("C:\\new.dll\r\nC:\\two.dll", "CLSID"));
    REQUIRE(lib.SaveIgnoreList() == 0);
    CHECK(testreg::ReadFile("ignore.lst").find("\r\nCLSID\r\nunpaired\r\n") != std::string::npos);
    CRegistryLib reloaded;
    REQUIRE(reloaded.IgnoreList().size() == 3);
    CHECK(reloaded.IgnoreList()[2].Item() == "C:\\new.dll\r\nC:\\two.dll");

    testreg::WriteFile("ignore.lst", "C:\\a.dll\r\nCLSID");
    lib.LoadIgnoreList();
    REQUIRE(lib.IgnoreList().size() == 1);
    CHECK(lib.IgnoreList()[0].Category() == "CLSI");
}

TEST_CASE("a save that cannot be written reports it and leaves the old list in place") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", "C:\\keep.dll\r\nCLSID\r\n");
    REQUIRE(CreateDirectoryA(tw::TemporaryNameFor("ignore.lst").c_str(), nullptr));  // the temporary name cannot become a file
    CRegistryLib lib;
    lib.IgnoreList().push_back(Entry("C:\\new.dll", "CLSID"));
    CHECK(lib.SaveIgnoreList() != 0);
    CHECK(testreg::ReadFile("ignore.lst") == "C:\\keep.dll\r\nCLSID\r\n");
}

TEST_CASE("an empty list saves as an empty file") {
    CleanFolder folder;
    testreg::WriteFile("ignore.lst", "C:\\a.dll\r\nCLSID\r\n");
    CRegistryLib lib;
    lib.IgnoreList().clear();
    CHECK(lib.SaveIgnoreList() == 0);
    CHECK(testreg::FileExists("ignore.lst"));
    CHECK(testreg::ReadFile("ignore.lst").empty());
}

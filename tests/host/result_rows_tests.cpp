#include "doctest.h"

#include "app/ResultRows.h"
#include "registry/Categories.h"

namespace {

ErrorRecord Record(const char* category, const char* fixKind, const char* key, const char* item,
                   const char* valueName = nullptr) {
    ErrorRecord record;
    record.SetCategory(category);
    record.SetFixKind(fixKind);
    record.SetKeyPath(key);
    record.SetItem(item);
    if (valueName) record.SetValue(RegValueEntry{valueName, item, 1});
    return record;
}

}  // namespace

TEST_CASE("result rows say which key or value a repair removes") {
    SUBCASE("every category shows its summary title; key records remove the whole key, value records one value") {
        for (const CategoryInfo& c : kRegistryCategories) {
            CAPTURE(c.id);
            const bool key = std::string(c.fixKind) == "KEY";
            const auto texts = RegistryRowTexts(Record(c.id, c.fixKind, "HKEY_LOCAL_MACHINE\\Software\\A", "C:\\gone.dll",
                                                       key ? nullptr : "Name"));
            REQUIRE(texts.size() == kResultColumnCount);
            CHECK(texts[kResultTitle] == c.summaryTitle);
            CHECK(texts[kResultFile] == "C:\\gone.dll");
            CHECK(texts[kResultLocation] ==
                  (key ? "HKEY_LOCAL_MACHINE\\Software\\A (whole key)" : "HKEY_LOCAL_MACHINE\\Software\\A, value \"Name\""));
        }
    }
    SUBCASE("a category id in another letter case still finds its title") {
        CHECK(RegistryRowTexts(Record("clsid", "KEY", "HKEY_CLASSES_ROOT\\CLSID\\{1}", "x"))[kResultTitle] ==
              "Invalid CLSID");
    }
    SUBCASE("the unnamed value and a value whose record holds none") {
        CHECK(RegistryRowTexts(Record("font", "VAL", "HKEY_LOCAL_MACHINE\\F", "a.ttf", "(Default)"))[kResultLocation] ==
              "HKEY_LOCAL_MACHINE\\F, value \"(Default)\"");
        CHECK(RegistryRowTexts(Record("Help", "VAL", "HKEY_LOCAL_MACHINE\\H", "a.hlp"))[kResultLocation] ==
              "HKEY_LOCAL_MACHINE\\H");
    }
    SUBCASE("a per-user entry and its machine-wide twin: one title, each row at its own hive's key") {
        const char* run = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        const auto user = RegistryRowTexts(Record("Startup", "VAL", (std::string("HKEY_CURRENT_USER") + run).c_str(), "a.exe", "A"));
        const auto machine = RegistryRowTexts(Record("Startup", "VAL", (std::string("HKEY_LOCAL_MACHINE") + run).c_str(), "a.exe", "A"));
        CHECK(user[kResultTitle] == machine[kResultTitle]);
        CHECK(user[kResultLocation] == std::string("HKEY_CURRENT_USER") + run + ", value \"A\"");
    }
    SUBCASE("an unknown category shows its own name") {
        CHECK(RegistryRowTexts(Record("Other", "KEY", "K", "f"))[kResultTitle] == "Other");
    }
}

TEST_CASE("shortcut rows: the link's name and its folder") {
    CHECK(ShortcutRowTexts("C:\\Users\\me\\Desktop\\Old.lnk") ==
          std::vector<std::string>{"Broken Shortcuts", "Old.lnk", "C:\\Users\\me\\Desktop"});
    CHECK(ShortcutRowTexts("C:\\Old.lnk") == std::vector<std::string>{"Broken Shortcuts", "Old.lnk", "C:\\"});
    CHECK(ShortcutRowTexts("Old.lnk") == std::vector<std::string>{"Broken Shortcuts", "Old.lnk", ""});
}

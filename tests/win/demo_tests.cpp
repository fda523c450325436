// tidewarp-demo as `tools/run --demo` uses it: what it plants is what the scan reports, planted whole
// again after a fix took part of it and a kept row went to the ignore list, and taken away again.
#include "doctest.h"

#include "test_json.h"
#include "test_process.h"
#include "test_registry.h"

#include <map>
#include <set>

namespace {

const char kDemo[] = "tidewarp-demo.exe";
const char kOtherIgnored[] = "C:\\windows\\fonts\\coure.fon\r\nfont\r\n";

struct Findings {
    std::map<std::string, std::set<std::string>> byCategory;  // registry items naming the demo
    std::set<std::string> shortcuts;
    std::size_t Registry() const {
        std::size_t n = 0;
        for (const auto& [category, items] : byCategory) n += items.size();
        return n;
    }
    bool operator==(const Findings& o) const { return byCategory == o.byCategory && shortcuts == o.shortcuts; }
};

// Nothing planted outlives the test, whatever fails: other tests count what a scan of the prefix finds.
struct RemoveAtEnd {
    ~RemoveAtEnd() { testproc::Run(kDemo, "--remove"); }
};

Findings ScanForDemo() {
    Findings f;
    auto json = testjson::Parse(testproc::Run("tidewarp-cli.exe", "scan --json").out);
    for (const auto& e : json["errors"].items)
        if (e["item"].text.find("TidewarpDemo") != std::string::npos) f.byCategory[e["category"].text].insert(e["item"].text);
    for (const auto& s : json["shortcuts"].items)
        if (s.text.find("TidewarpDemo") != std::string::npos) f.shortcuts.insert(s.text);
    return f;
}

}  // namespace

TEST_CASE("the demo plants errors of every category and shortcuts, the same set every time") {
    const std::string tray = "C:\\TidewarpDemo\\Missing\\TidewarpDemoTray.exe";
    RemoveAtEnd removeAtEnd;
    testreg::WriteFile("ignore.lst", std::string(kOtherIgnored) + tray + "\r\nStartup\r\n");
    auto planted = testproc::Run(kDemo, "");
    REQUIRE(planted.exitCode == 0);
    CHECK(planted.out.find("Planted 18 broken registry entries and 3 broken shortcuts") != std::string::npos);
    CHECK(planted.out.find("Took 1 TidewarpDemo items off the ignore list") != std::string::npos);
    CHECK(testreg::ReadFile("ignore.lst") == kOtherIgnored);

    const Findings first = ScanForDemo();
    for (const char* category : {"CLSID", "SharedFile", "VxD", "Help", "APPPath", "SharedTools", "font", "Startup",
                                 "Uninstall"}) {
        CAPTURE(category);
        CHECK(first.byCategory.count(category) == 1);
    }
    CHECK(first.Registry() == 18);
    CHECK(first.byCategory.at("Startup").count(tray) == 1);  // off the ignore list again
    CHECK(first.shortcuts.size() == 3);

    // A value changed, a shortcut went, a kept row went to the ignore list: planting again restores the set.
    testreg::WriteFile("ignore.lst", std::string(kOtherIgnored) + tray + "\r\nStartup\r\n");
    testreg::SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\Currentversion\\Run", "TidewarpDemoTray", "");
    DeleteFileA("C:\\TidewarpDemo\\TidewarpDemo Viewer.lnk");
    REQUIRE(testproc::Run(kDemo, "").exitCode == 0);
    CHECK(ScanForDemo() == first);

    auto removed = testproc::Run(kDemo, "--remove");
    CHECK(removed.exitCode == 0);
    const Findings none = ScanForDemo();
    CHECK(none.Registry() == 0);
    CHECK(none.shortcuts.empty());
    CHECK_FALSE(testreg::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{DE30DE30-0001-4000-8000-00000000DE30}"));
    CHECK(testreg::ReadFile("ignore.lst") == kOtherIgnored);
    CHECK(testproc::Run(kDemo, "--bogus").exitCode == 2);
}

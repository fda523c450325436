// The class registration scanner over planted classes in Wine's registry.
#include "doctest.h"

#include "registry/RegistryLib.h"
#include "test_registry.h"

#include <map>

using testreg::ScratchKey;

namespace {

const char kClsid[] = "CLSID";
const char kMissing[] = "C:\\tidewarp-missing\\";

// Test classes share a prefix no real class has, so their records are easy to pick out.
std::string TestClass(int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "{7D1DE0%02X-0000-4000-8000-00000000TEST}", n);
    return buf;
}

std::string ClassPath(int n) { return std::string(kClsid) + "\\" + TestClass(n); }

struct Callback {
    std::string item, status;
    std::int32_t examined, found;
};
std::vector<Callback> g_calls;
int g_stopAfter = -1;

void Record(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    g_calls.push_back({item, status, examined, found});
    if (g_stopAfter >= 0 && static_cast<int>(g_calls.size()) == g_stopAfter) testreg::SetStopEvent(true);
}

std::vector<const ErrorRecord*> TestRecords(const CRegistryLib& lib) {
    std::vector<const ErrorRecord*> out;
    for (const ErrorRecord& r : lib.Errors())
        if (r.KeyPath().find("-00000000TEST}") != std::string::npos) out.push_back(&r);
    return out;
}

bool CalledWith(const std::string& item) {
    for (const Callback& c : g_calls)
        if (c.item == item) return true;
    return false;
}

CategorySummary ScanOnce(CRegistryLib& lib) {
    g_calls.clear();
    testreg::SetStopEvent(false);
    SummaryList summaries;
    lib.Errors().clear();
    lib.ScanClasses(summaries);
    REQUIRE(summaries.size() == 1);
    return summaries[0];
}

// Plants the edge cases: what each class contributes to examined and found is noted beside it.
struct PlantedClasses {
    std::vector<std::unique_ptr<ScratchKey>> keys;
    int examined = 0;
    int found = 0;

    void Add(int n) { keys.push_back(std::make_unique<ScratchKey>(HKEY_CLASSES_ROOT, ClassPath(n))); }
    void Server(int n, const std::string& sub, const std::string& value) {
        testreg::SetString(HKEY_CLASSES_ROOT, ClassPath(n) + "\\" + sub, "", value);
    }

    PlantedClasses() {
        std::string sys = "C:\\windows\\system32\\";
        Add(1), Server(1, "InprocServer32", std::string(kMissing) + "one.dll"), examined += 1, found += 1;
        Add(2), Server(2, "InProcServer32", std::string(kMissing) + "two.dll"), examined += 1, found += 1;
        Add(3), Server(3, "InprocHandler32", std::string(kMissing) + "handler.dll");  // not a server key
        Add(4), Server(4, "InprocServer32", "%SystemRoot%\\system32\\kernel32.dll"), examined += 1;
        Add(5), Server(5, "InprocServer32", "%SystemRoot%\\tidewarp-nowhere.dll"), examined += 1, found += 1;
        Add(6), Server(6, "InprocServer32", "kernel32.dll"), examined += 1;
        Add(7), Server(7, "InprocServer32", "tidewarp-bare.dll"), examined += 1, found += 1;
        Add(8), Server(8, "LocalServer32", "\"" + std::string(kMissing) + "srv.exe\" /Automation"), examined += 1,
            found += 1;
        Add(9), Server(9, "LocalServer", std::string(kMissing) + "srv2.exe -Embedding"), examined += 1, found += 1;
        Add(10), Server(10, "InprocServer32", std::string(kMissing) + "mailui.dll"), examined += 1;
        Add(11), Server(11, "InprocServer32", std::string(kMissing) + "MAILUI.DLL"), examined += 1, found += 1;
        Add(12), Server(12, "InprocServer32", std::string(kMissing) + "multi.dll"),
            Server(12, "LocalServer32", std::string(kMissing) + "multi.exe"),
            Server(12, "InprocServer", std::string(kMissing) + "multi16.dll"), examined += 3, found += 3;
        Add(13), testreg::SetString(HKEY_CLASSES_ROOT, ClassPath(13) + "\\InprocServer32", "ThreadingModel", "Both"),
            examined += 1;  // no default value: examined, nothing else
        Add(14), Server(14, "InprocServer32", std::string(kMissing) + "progid.dll"),
            testreg::SetString(HKEY_CLASSES_ROOT, ClassPath(14) + "\\ProgID", "", "Tidewarp.Test.1"), examined += 2,
            found += 1;
        Add(15), Server(15, "InprocServer32", std::string(kMissing) + "ignored.dll"), examined += 1;
        Add(16), Server(16, "InprocServer32", std::string(kMissing) + "Ignored2.dll"), examined += 1, found += 1;
        Add(17), Server(17, "InprocServer32", sys + "shell32.dll"), examined += 1;
        Add(18);  // a class with no sub-keys at all
        // Only strings name a server: bytes, numbers and string lists are examined and passed over.
        const std::string bytes = std::string(kMissing) + "binary.dll";
        Add(19), testreg::SetBytes(HKEY_CLASSES_ROOT, ClassPath(19) + "\\InprocServer32", "", REG_BINARY,
                                   std::vector<unsigned char>(bytes.begin(), bytes.end())),
            examined += 1;
        Add(20), testreg::SetBytes(HKEY_CLASSES_ROOT, ClassPath(20) + "\\InprocServer32", "", REG_DWORD, {1, 0, 0, 0}),
            examined += 1;
        Add(21), testreg::SetString(HKEY_CLASSES_ROOT, ClassPath(21) + "\\LocalServer32", "", bytes, REG_MULTI_SZ),
            examined += 1;
    }
};

}  // namespace

TEST_CASE("the class scanner reports exactly the planted broken classes") {
    CRegistryLib lib;
    lib.SetProgressCallback(&Record);
    ErrorRecord a, b;
    a.SetItem(std::string(kMissing) + "ignored.dll");
    b.SetItem(std::string(kMissing) + "ignored2.dll");  // differs in letter case from what is reported
    lib.IgnoreList().push_back(a);
    lib.IgnoreList().push_back(b);

    CategorySummary before = ScanOnce(lib);
    CHECK(before.title == "Invalid CLSID");
    CHECK(before.found == 0);  // a fresh prefix has no broken class
    CHECK(lib.Errors().empty());
    MESSAGE("fresh prefix: " << before.examined << " class server entries examined, " << before.found << " found");

    PlantedClasses planted;
    CategorySummary after = ScanOnce(lib);
    CHECK(after.examined - before.examined == planted.examined);
    CHECK(after.found == planted.found);

    auto records = TestRecords(lib);
    REQUIRE(records.size() == static_cast<size_t>(planted.found));
    std::map<std::string, const ErrorRecord*> byItem;
    for (const ErrorRecord* r : records) {
        CHECK(r->Category() == "CLSID");
        CHECK(r->FixKind() == "KEY");
        REQUIRE(r->Value());
        CHECK(r->Value()->name == "(Default)");
        CHECK(r->Value()->type == REG_SZ);
        byItem[r->Item()] = r;
    }
    std::string m = kMissing;
    auto expect = [&](const std::string& item, int cls, const std::string& text) {
        CAPTURE(item);
        auto it = byItem.find(item);
        REQUIRE(it != byItem.end());
        CHECK(it->second->KeyPath() == "HKEY_CLASSES_ROOT\\CLSID\\" + TestClass(cls));
        CHECK(it->second->Value()->text == text);
        CHECK(CalledWith(item));
    };
    expect(m + "one.dll", 1, m + "one.dll");
    expect(m + "two.dll", 2, m + "two.dll");
    expect("C:\\windows\\tidewarp-nowhere.dll", 5, "%SystemRoot%\\tidewarp-nowhere.dll");
    expect("C:\\windows\\system32\\tidewarp-bare.dll", 7, "tidewarp-bare.dll");
    expect(m + "srv.exe ", 8, "\"" + m + "srv.exe\" /Automation");  // the blank before the option stays
    expect(m + "srv2.exe", 9, m + "srv2.exe -Embedding");
    expect(m + "MAILUI.DLL", 11, m + "MAILUI.DLL");
    expect(m + "multi.dll", 12, m + "multi.dll");
    expect(m + "multi.exe", 12, m + "multi.exe");
    expect(m + "multi16.dll", 12, m + "multi16.dll");
    expect(m + "progid.dll", 14, m + "progid.dll");
    expect(m + "Ignored2.dll", 16, m + "Ignored2.dll");

    // mailui.dll is passed over but still announced; the handler key is never looked at.
    CHECK(CalledWith(m + "mailui.dll"));
    CHECK_FALSE(CalledWith(m + "handler.dll"));
    CHECK(CalledWith(m + "ignored.dll"));
    // The ignored server is remembered against its class key, so a fix leaves that key alone.
    CHECK(lib.HoldsIgnoredEntry("HKEY_CLASSES_ROOT\\CLSID\\" + TestClass(15)));
    CHECK_FALSE(lib.HoldsIgnoredEntry("HKEY_CLASSES_ROOT\\CLSID\\" + TestClass(16)));
    for (const Callback& c : g_calls) CHECK(c.status == "Scanning CLSID");
    // Callbacks carry the running counts.
    REQUIRE_FALSE(g_calls.empty());
    CHECK(g_calls.back().examined <= after.examined);
    CHECK(g_calls.back().found == after.found);
}

TEST_CASE("a stop before the scan gives no summary; a stop during it keeps the counts reached") {
    PlantedClasses planted;
    CRegistryLib lib;
    lib.SetProgressCallback(&Record);

    SUBCASE("signalled on entry") {
        testreg::SetStopEvent(true);
        SummaryList summaries;
        lib.ScanClasses(summaries);
        CHECK(summaries.empty());
        CHECK(lib.Errors().empty());
    }
    SUBCASE("signalled after the fifth progress call") {
        CategorySummary full = ScanOnce(lib);
        g_calls.clear();
        g_stopAfter = 5;
        testreg::SetStopEvent(false);
        SummaryList summaries;
        lib.Errors().clear();
        lib.ScanClasses(summaries);
        g_stopAfter = -1;
        REQUIRE(summaries.size() == 1);
        CHECK(g_calls.size() >= 5);
        CHECK(summaries[0].examined < full.examined);
        CHECK(summaries[0].examined >= g_calls[4].examined);
        CHECK(summaries[0].found == static_cast<std::int32_t>(lib.Errors().size()));
        testreg::SetStopEvent(false);
    }
}

namespace {
struct LampLog : ScanObserver {
    std::vector<std::string> events;
    void OnScanStarted() override { events.push_back("page"); }
    void OnCategoryStarted(int k) override { events.push_back("on" + std::to_string(k)); }
    void OnCategoryFinished(int k) override { events.push_back("off" + std::to_string(k)); }
};
ScanSelection* g_selection = nullptr;
std::int32_t g_flagDuringScan = 0;
void WatchFlag(std::string, std::string status, std::int32_t, std::int32_t) {
    if (status == "Scanning CLSID") g_flagDuringScan = g_selection->field[ScanSelection::kClassRegistrations];
}
}  // namespace

TEST_CASE("ScanAll runs the selected categories, marks them running then done, and resets the stop event") {
    PlantedClasses planted;
    CRegistryLib lib;
    ScanSelection selection;
    selection.field[ScanSelection::kClassRegistrations] = 1;
    selection.field[ScanSelection::kFonts] = 1;
    g_selection = &selection;
    lib.SetProgressCallback(&WatchFlag);
    LampLog lamps;
    testreg::SetStopEvent(true);  // left over from an earlier stop: ScanAll clears it

    SummaryList summaries{{"stale", 1, 1, 1}};
    lib.Errors().push_back(ErrorRecord());
    lib.ScanAll(summaries, selection, &lamps);

    CHECK(g_flagDuringScan == 2);
    CHECK(selection.field[ScanSelection::kClassRegistrations] == -1);
    CHECK(selection.field[ScanSelection::kFonts] == -1);
    CHECK(selection.field[ScanSelection::kDrivers] == 0);
    REQUIRE(summaries.size() >= 1);
    CHECK(summaries[0].title == "Invalid CLSID");
    // The planted list counts ignored.dll as ignored; ScanAll reloads the (empty) ignore.lst first.
    CHECK(summaries[0].found == planted.found + 1);
    CHECK(TestRecords(lib).size() == static_cast<size_t>(planted.found + 1));
    REQUIRE(summaries.size() == 2);
    CHECK(summaries[1].title == "Corrupt Fonts");
    CHECK(lamps.events.front() == "page");
    CHECK(lamps.events[1] == "on1");
    CHECK(lamps.events[2] == "off1");
    CHECK(lamps.events[3] == "on7");

    SUBCASE("nothing selected leaves both lists empty") {
        ScanSelection none;
        lib.ScanAll(summaries, none);
        CHECK(summaries.empty());
        CHECK(lib.Errors().empty());
    }
}

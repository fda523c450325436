// The shortcut scanner on a planted tree of real shell links: what is listed and in which order,
// which drives and folders are walked, stopping, and the fix.
#include "doctest.h"

#include "app/ScanFlow.h"
#include "log/LogFile.h"
#include "maintenance/Shortcut.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

struct Call {
    std::string item, status;
    std::int32_t examined, found;
};
std::vector<Call> g_calls;
std::string g_stopAtFolder;  // the "Searching Dir" call for this folder signals the stop event
std::function<void(const Call&)> g_onCall;  // runs after each call is recorded

void Record(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    g_calls.push_back({item, status, examined, found});
    if (!g_stopAtFolder.empty() && status == "Searching Dir For Shorcuts" && item == g_stopAtFolder) {
        testreg::SetStopEvent(true);
        Sleep(250);  // the walk's stop monitor sees the event from a thread of its own
    }
    if (g_onCall) g_onCall(g_calls.back());
}

std::vector<std::string> ItemsWithStatus(const char* status) {
    std::vector<std::string> out;
    for (const Call& c : g_calls)
        if (c.status == status) out.push_back(c.item);
    return out;
}

std::string CurrentDirectory() {
    char buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    return std::string(buf, n);
}

std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// A tree below the test's folder with every kind of shortcut; broken ones are noted as planted.
struct PlantedTree {
    const std::string root = CurrentDirectory() + "\\tree";
    std::string targets = root + "\\targets";
    std::vector<std::string> broken;      // what a scan must list
    std::vector<std::string> kept;        // shortcut files a fix must leave alone
    std::string readOnly;
    std::string inWalkRoot = root + "\\broken-in-walk-root.lnk";  // broken, but in the walked folder itself
    int examined = 0;                     // ".lnk" files a walk of root examines

    std::string P(const std::string& rel) const { return root + "\\" + rel; }

    void Good(const std::string& rel, const std::string& target) {
        testlink::MakeLink(P(rel), target);
        kept.push_back(P(rel));
        ++examined;
    }
    // A link whose target existed when the link was made and was deleted afterwards.
    void Broken(const std::string& rel) {
        std::string target = targets + "\\gone-" + std::to_string(broken.size()) + ".txt";
        testlink::Touch(target);
        testlink::MakeLink(P(rel), target);
        DeleteFileA(target.c_str());
        broken.push_back(P(rel));
        ++examined;
    }
    // A broken link that no walk may reach or list.
    void Unreached(const std::string& rel) {
        testlink::MakeLink(P(rel), targets + "\\never-there.txt");
        kept.push_back(P(rel));
    }

    PlantedTree() {
        testlink::RemoveTree(root);
        for (const char* f : {"", "\\targets", "\\targets\\folder", "\\a", "\\a\\b", "\\a\\b\\c", "\\d",
                              "\\System Volume Information", "\\d\\System Volume Information",
                              "\\d\\System Volume Information\\x", "\\e"})
            CreateDirectoryA((root + f).c_str(), nullptr);
        testlink::Touch(targets + "\\file.txt");

        Good("a\\to-file.lnk", targets + "\\file.txt");
        Good("a\\to-folder.lnk", targets + "\\folder");
        Broken("a\\broken-one.lnk");
        Broken("a\\read-only.lnk");
        readOnly = P("a\\read-only.lnk");
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
        Broken("a\\b\\broken-two.lnk");
        Broken("a\\b\\c\\broken-three.lnk");
        Broken("d\\BROKEN.LNK");
        Broken("e\\broken-e.lnk");
        testlink::MakeLink(inWalkRoot, targets + "\\never-there.txt");
        Unreached("System Volume Information\\hidden.lnk");
        Unreached("d\\System Volume Information\\x\\hidden.lnk");

        // Not a link at all, though named like one: examined, never listed.
        testreg::WriteFile(P("a\\not-a-link.lnk"), "this is not a shell link");
        kept.push_back(P("a\\not-a-link.lnk"));
        ++examined;
        // A link to My Computer has no file path: there is nothing to find missing.
        testlink::MakeLinkToShellFolder(P("e\\my-computer.lnk"), CSIDL_DRIVES);
        kept.push_back(P("e\\my-computer.lnk"));
        ++examined;
        // Its target exists, but its name has letters the ANSI code page cannot spell.
        const std::wstring wideTarget = std::wstring(root.begin(), root.end()) + L"\\targets\\\x0416\x4e2d.txt";
        CloseHandle(CreateFileW(wideTarget.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        testlink::MakeLinkWide(P("e\\unspellable-target.lnk"), wideTarget);
        kept.push_back(P("e\\unspellable-target.lnk"));
        ++examined;
        // "*.lnk" finds this one by its short name; it is not a shortcut file.
        testlink::MakeLink(P("e\\notes.lnkx"), targets + "\\never-there.txt");
        kept.push_back(P("e\\notes.lnkx"));
    }
    ~PlantedTree() { testlink::RemoveTree(root); }
};

std::vector<std::string> Below(const std::vector<std::string>& list, const std::string& root) {
    std::vector<std::string> out;
    for (const std::string& p : list)
        if (p.compare(0, root.size() + 1, root + "\\") == 0) out.push_back(p);
    return out;
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

}  // namespace

TEST_CASE("a walk lists exactly the broken shortcuts below its folder in walk order; the fix deletes them") {
    PlantedTree tree;
    testreg::SetStopEvent(false);
    g_calls.clear();
    CShortcut scanner;
    scanner.SetProgressCallback(&Record);
    scanner.RecurseFolder(tree.root);

    const std::vector<std::string>& list = scanner.Broken();
    CHECK(std::set<std::string>(list.begin(), list.end()) ==
          std::set<std::string>(tree.broken.begin(), tree.broken.end()));
    CHECK(scanner.BrokenCount() == static_cast<std::int32_t>(tree.broken.size()));
    CHECK(scanner.ExaminedCount() == tree.examined);

    // The list keeps the order in which the links were examined; a folder's own links come before
    // those of its subfolders.
    std::vector<std::string> examinedBroken;
    for (const std::string& p : ItemsWithStatus("Scanning ShortCuts"))
        if (Contains(tree.broken, p)) examinedBroken.push_back(p);
    CHECK(list == examinedBroken);
    auto at = [&](const char* rel) { return std::find(list.begin(), list.end(), tree.P(rel)) - list.begin(); };
    CHECK(at("a\\broken-one.lnk") < at("a\\b\\broken-two.lnk"));
    CHECK(at("a\\b\\broken-two.lnk") < at("a\\b\\c\\broken-three.lnk"));

    // Each call carries the counts reached so far; folders under "System Volume Information" get none.
    std::int32_t lastExamined = 0;
    for (const Call& c : g_calls) {
        if (c.status == "Scanning ShortCuts") ++lastExamined;
        CHECK(c.examined == lastExamined);
        CHECK(c.item.find("System Volume Information") == std::string::npos);
    }
    CHECK(Contains(ItemsWithStatus("Searching Dir For Shorcuts"), tree.P("a\\b\\c")));

    // The fix deletes what is listed, read-only files too, but not a cleared entry, whose
    // neighbours keep their indices.
    const std::vector<std::string> before = list;
    const std::size_t cleared = at("a\\b\\broken-two.lnk");
    CHECK(scanner.ClearEntry(cleared));
    CHECK_FALSE(scanner.ClearEntry(before.size()));
    for (std::size_t i = 0; i < before.size(); ++i) CHECK(scanner.Path(i) == (i == cleared ? "" : before[i]));
    g_calls.clear();
    scanner.FixShortcuts();
    CHECK(scanner.DeletedCount() == static_cast<std::int32_t>(before.size() - 1));
    CHECK(scanner.Count() == before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        CAPTURE(before[i]);
        CHECK(testreg::FileExists(before[i]) == (i == cleared));
    }
    CHECK_FALSE(testreg::FileExists(tree.readOnly));
    CHECK(testreg::FileExists(tree.inWalkRoot));
    for (const std::string& p : tree.kept) CHECK(testreg::FileExists(p));
    REQUIRE(g_calls.size() == before.size() - 1);
    for (const Call& c : g_calls) {
        CHECK(c.status == "Fixing ShortCuts");
        CHECK((c.examined == 0 && c.found == 0 && !c.item.empty()));
    }
    scanner.FixShortcuts();  // nothing left to delete
    CHECK(scanner.DeletedCount() == 0);
}

TEST_CASE("a stop request ends the walk at the next folder entry and keeps what was found") {
    PlantedTree tree;
    CShortcut scanner;
    scanner.SetProgressCallback(&Record);

    SUBCASE("during the walk") {
        testreg::SetStopEvent(false);
        g_calls.clear();
        g_stopAtFolder = tree.P("a");  // the links of a are examined first, then the walk must end
        scanner.RecurseFolder(tree.root);
        g_stopAtFolder.clear();
        REQUIRE_FALSE(g_calls.empty());
        CHECK(g_calls.back().item == tree.P("a"));
        CHECK(g_calls.back().status == "Searching Dir For Shorcuts");
        std::vector<std::string> examined = ItemsWithStatus("Scanning ShortCuts");
        CHECK(Contains(examined, tree.P("a\\broken-one.lnk")));
        std::vector<std::string> foundBeforeStop;
        for (const std::string& p : examined)
            if (Contains(tree.broken, p)) foundBeforeStop.push_back(p);
        CHECK(scanner.Broken() == foundBeforeStop);
        CHECK(scanner.ExaminedCount() == static_cast<std::int32_t>(examined.size()));
        CHECK(scanner.Count() < tree.broken.size());
    }
    SUBCASE("before the scan: nothing is walked and the last list is gone") {
        testreg::SetStopEvent(false);
        scanner.RecurseFolder(tree.root);
        REQUIRE(scanner.Count() > 0);
        testreg::SetStopEvent(true);
        g_calls.clear();
        scanner.ScanDrives();
        CHECK(g_calls.empty());
        CHECK(scanner.Count() == 0);
        CHECK(scanner.ExaminedCount() == 0);
    }
    testreg::SetStopEvent(false);
}

TEST_CASE("a scan walks the folders of fixed drives only, never a drive's root folder, and writes no log") {
    REQUIRE(GetDriveTypeA("Z:\\") == DRIVE_REMOTE);
    REQUIRE(GetDriveTypeA("R:\\") == DRIVE_REMOVABLE);  // made by the test prefix: C:\tidewarp-removable
    PlantedTree tree;
    const std::string rootLink = "C:\\tidewarp-root-broken.lnk";
    testlink::MakeLink(rootLink, "C:\\tidewarp-nowhere\\x.exe");
    const std::string onNetwork = testproc::ProgramFolder() + "\\tidewarp-network-links";  // on Z:
    CreateDirectoryA(onNetwork.c_str(), nullptr);
    testlink::MakeLink(onNetwork + "\\broken.lnk", "C:\\tidewarp-nowhere\\x.exe");
    CreateDirectoryA("R:\\sub", nullptr);
    testlink::MakeLink("R:\\sub\\broken.lnk", "C:\\tidewarp-nowhere\\x.exe");

    const std::set<std::string> besideExe = Listing(testproc::ProgramFolder());
    const std::set<std::string> here = Listing(CurrentDirectory());
    testreg::SetStopEvent(false);
    CShortcut scanner;
    scanner.ScanDrives();
    const std::vector<std::string> list = scanner.Broken();

    // From the drive's root, the planted tree's own folder is a folder like any other.
    std::vector<std::string> ours = Below(list, tree.root);
    std::set<std::string> expected(tree.broken.begin(), tree.broken.end());
    expected.insert(tree.inWalkRoot);
    CHECK(std::set<std::string>(ours.begin(), ours.end()) == expected);
    CHECK_FALSE(Contains(list, rootLink));
    for (const std::string& p : list) {
        CAPTURE(p);
        CHECK(p.compare(0, 3, "C:\\") == 0);  // neither Z: (network) nor R: (removable)
    }
    // R: is C:\tidewarp-removable, so its link is found through C:.
    CHECK(Contains(list, "C:\\tidewarp-removable\\sub\\broken.lnk"));
    CHECK(scanner.BrokenCount() == static_cast<std::int32_t>(list.size()));
    CHECK(scanner.ExaminedCount() >= tree.examined);

    // A second scan starts afresh.
    scanner.ScanDrives();
    CHECK(scanner.Broken() == list);

    for (std::size_t i = 0; i < list.size(); ++i)
        if (Below({list[i]}, tree.root).empty()) scanner.ClearEntry(i);  // fix only the planted tree
    scanner.FixShortcuts();
    CHECK(scanner.DeletedCount() == static_cast<std::int32_t>(expected.size()));
    for (const std::string& p : expected) CHECK_FALSE(testreg::FileExists(p));
    for (const std::string& p : tree.kept) CHECK(testreg::FileExists(p));
    CHECK(testreg::FileExists(rootLink));

    CHECK_FALSE(LogFile::Instance().IsOpen());
    CHECK(Listing(testproc::ProgramFolder()) == besideExe);
    CHECK(Listing(CurrentDirectory()) == here);

    DeleteFileA(rootLink.c_str());
    testlink::RemoveTree(onNetwork);
    testlink::RemoveTree("R:\\sub");
}

TEST_CASE("the scan flow runs the shortcut scan after the registry categories when it is selected") {
    PlantedTree tree;
    struct Lamps : ScanObserver {
        std::vector<int> events;
        void OnCategoryStarted(int k) override { events.push_back(k); }
        void OnCategoryFinished(int k) override { events.push_back(-k); }
    } lamps;
    CRegistryLib registry;
    CShortcut shortcuts;
    SummaryList summaries;

    SUBCASE("selected: lamp 10 lights after the registry ones, the field ends at -1") {
        ScanSelection selection;
        selection.field[ScanSelection::kClassRegistrations] = 1;
        selection.field[ScanSelection::kShortcuts] = 1;
        ScanFlow(registry, shortcuts).Scan(selection, summaries, &lamps);
        CHECK(lamps.events == std::vector<int>{1, -1, 10, -10});
        CHECK(selection.field[ScanSelection::kShortcuts] == -1);
        CHECK(Below(shortcuts.Broken(), tree.root).size() == tree.broken.size() + 1);
    }
    SUBCASE("not selected: no walk, and the list of an earlier scan is emptied") {
        shortcuts.RecurseFolder(tree.root);
        REQUIRE(shortcuts.Count() > 0);
        ScanSelection selection;
        selection.field[ScanSelection::kClassRegistrations] = 1;
        ScanFlow(registry, shortcuts).Scan(selection, summaries, &lamps);
        CHECK(lamps.events == std::vector<int>{1, -1});
        CHECK(shortcuts.Count() == 0);
    }
    SUBCASE("a stop during the registry scan skips the shortcut scan") {
        ScanSelection selection;
        selection.field[ScanSelection::kClassRegistrations] = 1;
        selection.field[ScanSelection::kShortcuts] = 1;
        registry.SetProgressCallback([](std::string, std::string, std::int32_t, std::int32_t) {
            testreg::SetStopEvent(true);
        });
        ScanFlow(registry, shortcuts).Scan(selection, summaries, &lamps);
        CHECK(lamps.events == std::vector<int>{1, -1});
        CHECK(selection.field[ScanSelection::kShortcuts] == 1);
        CHECK(shortcuts.Count() == 0);
    }
    SUBCASE("a shortcut on the ignore list is not reported again") {
        testreg::WriteFile("ignore.lst", tree.broken[0] + "\r\nSHORTCUT\r\n");
        ScanSelection selection;
        selection.field[ScanSelection::kShortcuts] = 1;
        ScanFlow(registry, shortcuts).Scan(selection, summaries);
        std::vector<std::string> ours = Below(shortcuts.Broken(), tree.root);
        CHECK(ours.size() == tree.broken.size());  // one fewer, with the walk root's link
        CHECK_FALSE(Contains(ours, tree.broken[0]));
        DeleteFileA("ignore.lst");
    }
    testreg::SetStopEvent(false);
}

namespace {

// x\\y\\up leads back to x; a\\to-b is a second way into b. x holds a sound link, y two broken ones,
// b one broken one.
struct LinkedTree {
    const std::string root = CurrentDirectory() + "\\walk";
    std::vector<std::string> folderLinks;

    std::string P(const std::string& rel) const { return root + "\\" + rel; }
    void FolderLink(const std::string& rel, const std::string& targetRel) {
        testunix::MakeFolderLink(P(rel), P(targetRel));
        folderLinks.push_back(P(rel));
    }
    void Broken(const std::string& rel) {
        testlink::MakeLink(P(rel), P("gone.txt"));  // never made
    }

    LinkedTree() {
        for (const char* f : {"", "\\x", "\\x\\y", "\\a", "\\b"}) CreateDirectoryA((root + f).c_str(), nullptr);
        testlink::Touch(P("target.txt"));
        testlink::MakeLink(P("x\\sound.lnk"), P("target.txt"));
        Broken("x\\y\\broken1.lnk");
        Broken("x\\y\\broken2.lnk");
        Broken("b\\broken-b.lnk");
    }
    ~LinkedTree() {
        for (const std::string& link : folderLinks) testunix::RemoveLink(link);  // before they are followed
        testlink::RemoveTree(root);
    }
};

std::map<std::string, int> Tally(const std::vector<std::string>& items) {
    std::map<std::string, int> out;
    for (const std::string& i : items) ++out[i];
    return out;
}

}  // namespace

TEST_CASE("the walk enters each folder once, follows no folder link and opens nothing kept off the disk") {
    LinkedTree tree;
    testreg::SetStopEvent(false);
    g_calls.clear();
    CShortcut scanner;
    scanner.SetProgressCallback(&Record);
    const std::map<std::string, int> walked = {{tree.P("a"), 1}, {tree.P("b"), 1}, {tree.P("x"), 1}, {tree.P("x\\y"), 1}};
    const std::map<std::string, int> brokenOnce = {
        {tree.P("b\\broken-b.lnk"), 1}, {tree.P("x\\y\\broken1.lnk"), 1}, {tree.P("x\\y\\broken2.lnk"), 1}};

    SUBCASE("symbolic links: one leading back up the tree, one to a folder walked anyway") {
        tree.FolderLink("x\\y\\up", "x");
        tree.FolderLink("a\\to-b", "b");
        scanner.RecurseFolder(tree.root);
        CHECK(Tally(scanner.Broken()) == brokenOnce);
        CHECK(scanner.ExaminedCount() == 4);
        CHECK(Tally(ItemsWithStatus("Searching Dir For Shorcuts")) == walked);
    }
    SUBCASE("a folder reached by a second name that no reparse point marks is walked once") {
        // Under Wine a bind mount is such a name: the folder below looks like any other.
        CreateDirectoryA(tree.P("x\\y\\again").c_str(), nullptr);
        testunix::BindMount mount(tree.P("x"), tree.P("x\\y\\again"), "sound.lnk");
        if (!mount.Mounted()) {
            MESSAGE("bind mounts are not permitted here; the walk's memory of folders is not tested");
            return;
        }
        REQUIRE((GetFileAttributesA(tree.P("x\\y\\again").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) == 0);
        REQUIRE(GetFileAttributesA(tree.P("x\\y\\again\\y\\broken1.lnk").c_str()) != INVALID_FILE_ATTRIBUTES);
        scanner.RecurseFolder(tree.root);
        CHECK(Tally(scanner.Broken()) == brokenOnce);
        CHECK(scanner.ExaminedCount() == 4);
        CHECK(Tally(ItemsWithStatus("Searching Dir For Shorcuts")) == walked);
    }
    SUBCASE("each folder is listed once: its shortcuts and its subfolders come from one listing") {
        // A subfolder made while the folder's shortcuts are examined is not in that listing.
        g_onCall = [&](const Call& c) {
            if (c.item == tree.P("x\\sound.lnk")) {
                CreateDirectoryA(tree.P("x\\late").c_str(), nullptr);
                tree.Broken("x\\late\\broken-late.lnk");
            }
        };
        scanner.RecurseFolder(tree.root);
        g_onCall = nullptr;
        CHECK(Tally(scanner.Broken()) == brokenOnce);
        CHECK(Tally(ItemsWithStatus("Searching Dir For Shorcuts")) == walked);
    }
    SUBCASE("entries whose content is not on the disk are neither opened nor walked") {
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_ARCHIVE, "a.lnk") == WalkEntry::kLink);
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_READONLY, "B.LNK") == WalkEntry::kLink);
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_DIRECTORY, "d") == WalkEntry::kFolder);
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_DIRECTORY, "..") == WalkEntry::kSkip);
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_ARCHIVE, "notes.lnkx") == WalkEntry::kSkip);
        CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, "junction") == WalkEntry::kSkip);
        for (std::uint32_t notOnDisk : {0x1000u /* offline */, 0x40000u /* recall on open */,
                                        0x400000u /* recall on data access */}) {
            CAPTURE(notOnDisk);
            CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_ARCHIVE | notOnDisk, "cloud.lnk") == WalkEntry::kSkip);
            CHECK(ClassifyWalkEntry(FILE_ATTRIBUTE_DIRECTORY | notOnDisk, "cloud") == WalkEntry::kSkip);
        }
        // Where the file system keeps the attribute (Wine drops it), the walk itself shows the rule.
        SetFileAttributesA(tree.P("b\\broken-b.lnk").c_str(), FILE_ATTRIBUTE_OFFLINE);
        if (GetFileAttributesA(tree.P("b\\broken-b.lnk").c_str()) & FILE_ATTRIBUTE_OFFLINE) {
            scanner.RecurseFolder(tree.root);
            CHECK_FALSE(Contains(scanner.Broken(), tree.P("b\\broken-b.lnk")));
            CHECK(scanner.ExaminedCount() == 3);
        }
    }
}

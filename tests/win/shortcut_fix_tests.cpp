// What a shortcut fix may delete when the path it found has been changed under it, and what a
// scan makes of a link's stored path: environment strings, network and device paths.
#include "doctest.h"

#include "maintenance/Shortcut.h"
#include "test_links.h"
#include "test_registry.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>

namespace {

std::string Here() {
    char buf[MAX_PATH];
    return std::string(buf, GetCurrentDirectoryA(MAX_PATH, buf));
}

// Waits for a Unix command started through Wine to show its effect.
void WaitUntil(bool (*done)(const std::string&), const std::string& path) {
    for (int i = 0; i < 250 && !done(path); ++i) Sleep(20);
    if (!done(path)) throw std::runtime_error("timed out on " + path);
}

// A broken link, scanned, and beside it a folder whose file of the same name belongs to someone else.
struct SwapTree {
    const std::string root = Here() + "\\swap";
    const std::string in = root + "\\in";
    const std::string away = root + "\\in-away";
    const std::string victim = in + "\\victim.lnk";
    const std::string sentinel = root + "\\sentinel\\victim.lnk";
    CShortcut scanner;
    bool linked = false;

    SwapTree() {
        testlink::RemoveTree(root);
        testreg::MakeFolders(in);
        testreg::MakeFolders(root + "\\sentinel");
        testlink::MakeLink(victim, root + "\\gone.exe");
        testreg::WriteFile(sentinel, "sentinel");
        scanner.RecurseFolder(root);
    }
    ~SwapTree() {
        if (linked) testunix::RemoveLink(in);  // before the tree is removed through it
        testlink::RemoveTree(root);
    }
    // The scanned folder moves away and a folder link takes its name.
    void SwapFolderFor(const std::string& target) {
        REQUIRE(MoveFileA(in.c_str(), away.c_str()));
        testunix::MakeFolderLink(in, target);
        linked = true;
    }
    bool LeftAsReplaced() const {
        return scanner.DeletedCount() == 0 && scanner.LeftAtFix().size() == 1 && scanner.LeftAtFix()[0].replaced &&
               !scanner.LeftAtFix()[0].changed;
    }
};

// A folder's last-access time, which a look-up of a name missing from it moves forward: the file
// system lists the folder to find the name in another letter case. Set far back first, because a
// "relatime" mount renews only a time older than the last change or than a day.
std::uint64_t LastAccess(const std::string& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &data);
    return (std::uint64_t{data.ftLastAccessTime.dwHighDateTime} << 32) | data.ftLastAccessTime.dwLowDateTime;
}
std::uint64_t SetLastAccessLongAgo(const std::string& folder) {
    HANDLE h = CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    SYSTEMTIME y2000{2000, 1, 6, 1, 0, 0, 0, 0};
    FILETIME t;
    SystemTimeToFileTime(&y2000, &t);
    SetFileTime(h, nullptr, &t, nullptr);
    CloseHandle(h);
    return LastAccess(folder);
}

}  // namespace

TEST_CASE("the fix deletes a link only while its path leads to the very file the scan found") {
    SwapTree t;
    REQUIRE(t.scanner.Broken() == std::vector<std::string>{t.victim});

    SUBCASE("its folder swapped for a folder link to a file of the same name: that file stays") {
        t.SwapFolderFor(t.root + "\\sentinel");
        REQUIRE(testreg::ReadFile(t.victim) == "sentinel");
        t.scanner.FixShortcuts();
        CHECK(t.LeftAsReplaced());
        CHECK(testreg::ReadFile(t.sentinel) == "sentinel");
        CHECK(testreg::FileExists(t.away + "\\victim.lnk"));
    }
    SUBCASE("its folder swapped for a folder link back to the same folder: left too") {
        t.SwapFolderFor(t.away);
        t.scanner.FixShortcuts();
        CHECK(t.LeftAsReplaced());
        CHECK(testreg::FileExists(t.away + "\\victim.lnk"));
    }
    SUBCASE("another file moved over it under the same name") {
        testreg::WriteFile(t.victim + ".new", "someone else's");
        REQUIRE(MoveFileExA((t.victim + ".new").c_str(), t.victim.c_str(), MOVEFILE_REPLACE_EXISTING));
        t.scanner.FixShortcuts();
        CHECK(t.LeftAsReplaced());
        CHECK(testreg::ReadFile(t.victim) == "someone else's");
    }
    SUBCASE("given a second name (a hard link): neither name goes") {
        REQUIRE(CreateHardLinkA((t.root + "\\second.lnk").c_str(), t.victim.c_str(), nullptr));
        t.scanner.FixShortcuts();
        CHECK(t.LeftAsReplaced());
        CHECK(testreg::FileExists(t.victim));
        CHECK(testreg::FileExists(t.root + "\\second.lnk"));
    }
    SUBCASE("read-only and untouched: deleted") {
        REQUIRE(SetFileAttributesA(t.victim.c_str(), FILE_ATTRIBUTE_READONLY));
        t.scanner.FixShortcuts();
        CHECK(t.scanner.DeletedCount() == 1);
        CHECK(t.scanner.LeftAtFix().empty());
        CHECK_FALSE(testreg::FileExists(t.victim));
    }
}

TEST_CASE("environment strings in a link's stored path are expanded before its target is tested") {
    const std::string root = Here() + "\\envlinks";
    testlink::RemoveTree(root);
    testreg::MakeFolders(root + "\\links");
    testreg::MakeFolders(root + "\\present");
    testreg::MakeFolders(root + "\\%TW_LINK_DIR%");  // a folder really named so
    testlink::Touch(root + "\\present\\t.txt");
    testlink::Touch(root + "\\%TW_LINK_DIR%\\literal.txt");
    const std::string expanded = root + "\\links\\expanded.lnk", literal = root + "\\links\\literal.lnk";
    testlink::MakeLink(expanded, root + "\\%TW_LINK_DIR%\\t.txt");
    testlink::MakeLink(literal, root + "\\%TW_LINK_DIR%\\literal.txt");
    CShortcut scanner;

    SetEnvironmentVariableA("TW_LINK_DIR", "present");
    scanner.RecurseFolder(root);
    CHECK(scanner.Broken().empty());

    SetEnvironmentVariableA("TW_LINK_DIR", "absent");
    scanner.RecurseFolder(root);
    REQUIRE(scanner.Broken() == std::vector<std::string>{expanded});
    CHECK(scanner.Target(0) == root + "\\%TW_LINK_DIR%\\t.txt");  // as the link stores it

    SetEnvironmentVariableA("TW_LINK_DIR", "present");  // there again when the fix comes
    scanner.FixShortcuts();
    CHECK(scanner.DeletedCount() == 0);
    CHECK(testreg::FileExists(expanded));
    SetEnvironmentVariableA("TW_LINK_DIR", nullptr);
    testlink::RemoveTree(root);
}

TEST_CASE("a link naming a network or device path is never tested, listed or deleted") {
    const std::string root = Here() + "\\netlinks", host = Here() + "\\nethost";  // host: not walked
    testlink::RemoveTree(root);
    testreg::MakeFolders(root + "\\links");
    testreg::MakeFolders(host + "\\share");
    testlink::Touch(host + "\\share\\there.exe");
    // Wine serves \\host\share\x from <prefix>\dosdevices\unc\host\share\x: the host is made to lead
    // to a local folder where the target exists, so a target that was tested would be found there
    // (and its link pass as sound) instead of being kept apart as out of reach.
    const std::string drive = testunix::UnixPath("C:\\");  // <prefix>/dosdevices/c:/
    const std::string prefix = drive.substr(0, drive.find("/dosdevices/"));
    const std::string unix = prefix + "/drive_c/" + testunix::UnixPath(host).substr(drive.size());
    const std::string unc = prefix + "/dosdevices/unc";
    REQUIRE(testunix::Start("/bin/mkdir -p \"" + unc + "\""));
    WaitUntil(testreg::FileExists, "Z:" + unc);
    REQUIRE(testunix::Start("/bin/ln -sfn \"" + unix + "\" \"" + unc + "/tidewarp-test-host\""));
    WaitUntil(testreg::FileExists, "\\\\tidewarp-test-host\\share\\there.exe");
    // Z: is a network drive in the test prefix, with the Unix root behind it.
    std::string onZ = "Z:" + unix + "/share/there.exe";
    for (char& c : onZ)
        if (c == '/') c = '\\';
    REQUIRE(testreg::FileExists(onZ));

    const std::vector<std::string> targets = {
        "\\\\tidewarp-test-host\\share\\there.exe", "\\\\tidewarp-test-host\\share\\gone.exe",
        "\\\\tidewarp-nohost.invalid\\share\\gone.exe", onZ, "\\\\.\\PhysicalDrive0\\gone.exe"};
    for (std::size_t i = 0; i < targets.size(); ++i)
        testlink::MakeLink(root + "\\links\\" + std::to_string(i) + ".lnk", targets[i]);
    // Reading the links must not look their targets up either (Wine's GetPath does, when asked
    // for find data): the host's folder is not listed for the missing "gone.exe".
    const std::string share = host + "\\share";
    const std::uint64_t longAgo = SetLastAccessLongAgo(share);
    testreg::FileExists(targets[1]);
    const bool accessShows = LastAccess(share) != longAgo;
    if (!accessShows) MESSAGE("folder access times are not kept here; look-ups of the targets are not tested");
    SetLastAccessLongAgo(share);
    CShortcut scanner;
    scanner.RecurseFolder(root);
    if (accessShows) CHECK(LastAccess(share) == longAgo);
    CHECK(scanner.Broken().empty());
    CHECK(scanner.ExaminedCount() == static_cast<int>(targets.size()));
    CHECK(scanner.Unreachable().size() == targets.size());  // none found there, so none tested

    testunix::Start("/bin/rm -f \"" + unc + "/tidewarp-test-host\"");
    WaitUntil([](const std::string& p) { return !testreg::FileExists(p); }, "\\\\tidewarp-test-host\\share\\there.exe");
    testlink::RemoveTree(root);
    testlink::RemoveTree(host);
}

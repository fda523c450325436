// The dormant log: where its file goes, its folders, reopening and the trailer.
#include "doctest.h"

#include "log/LogFile.h"
#include "test_links.h"
#include "test_process.h"
#include "test_registry.h"

#include <windows.h>

namespace {

// As it lands on disk: the log is a text-mode stream, so each line feed becomes CR LF.
const std::string kTrailerOnDisk = "\r\n" + std::string(15, '=') + "Finish Loging" + std::string(16, '=') + "\r\n\r\n";

std::string CurrentDirectory() {
    char buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    return std::string(buf, n);
}

}  // namespace

TEST_CASE("where the log goes: beside the executable, here, or as given; its folders are made without moving") {
    const std::string here = CurrentDirectory();
    const std::string besideExe = testproc::ProgramFolder() + "\\tw-log-relative.txt";
    DeleteFileA(besideExe.c_str());
    LogFile log;

    log.Open("tw-log-relative.txt", false, 7);
    CHECK(log.IsOpen());
    CHECK(log.Tag() == 7);
    CHECK(log.FileName() == "tw-log-relative.txt");
    CHECK(testreg::FileExists(besideExe));
    CHECK_FALSE(testreg::FileExists(here + "\\tw-log-relative.txt"));
    log.Close();
    CHECK(testreg::ReadFile(besideExe) == kTrailerOnDisk);
    DeleteFileA(besideExe.c_str());

    log.Open("l3g", false, 0);
    CHECK(log.IsOpen());
    CHECK(testreg::FileExists(here + "\\l3g"));
    log.Close();
    DeleteFileA("l3g");

    // Missing folders are made beside the executable, or where an absolute name says, and the
    // current directory (where "ignore.lst" and the backups live) stays where it was.
    const std::string folder = testproc::ProgramFolder() + "\\tw-log-folder";
    testlink::RemoveTree(folder);
    log.Open("tw-log-folder\\sub\\t.log", true, 0);
    CHECK(log.IsOpen());
    CHECK(testreg::FileExists(folder + "\\sub\\t.log"));
    CHECK(CurrentDirectory() == here);
    log.Close();
    testlink::RemoveTree(folder);

    log.Open(here + "\\made\\by\\the\\log\\t.log", false, 0);
    CHECK(log.IsOpen());
    CHECK(testreg::FileExists(here + "\\made\\by\\the\\log\\t.log"));
    CHECK(CurrentDirectory() == here);
    log.Close();
    testlink::RemoveTree(here + "\\made");
}

TEST_CASE("reopen, close twice, open over an open log, and an open that fails") {
    const std::string here = CurrentDirectory();
    const std::string first = here + "\\first.log";
    const std::string second = here + "\\second.log";
    testreg::WriteFile(first, "old\r\n");
    DeleteFileA(second.c_str());
    LogFile log;

    SUBCASE("the same name keeps the file open and writes nothing") {
        log.Open(first, true, 1);
        log.Reopen(first, false, 2);  // not even the mode or the tag change
        CHECK(log.IsOpen());
        CHECK(log.Tag() == 1);
        CHECK(testreg::ReadFile(first) == "old\r\n");
        log.Close();
        log.Close();
        CHECK_FALSE(log.IsOpen());
        CHECK(testreg::ReadFile(first) == "old\r\n" + kTrailerOnDisk);  // appended, trailer once
    }
    SUBCASE("another name closes the first file with its trailer") {
        log.Open(first, false, 1);  // "w" empties it
        log.Reopen(second, false, 2);
        CHECK(log.IsOpen());
        CHECK(log.FileName() == second);
        CHECK(log.Tag() == 2);
        CHECK(testreg::ReadFile(first) == kTrailerOnDisk);
        log.Close();
        CHECK(testreg::ReadFile(second) == kTrailerOnDisk);
    }
    SUBCASE("an open over an open log closes the first one") {
        log.Open(first, false, 1);
        log.Open(second, false, 2);
        CHECK(testreg::ReadFile(first) == kTrailerOnDisk);
        log.Close();
        CHECK(testreg::ReadFile(second) == kTrailerOnDisk);
    }
    SUBCASE("a path through a file cannot be opened: closed, with name and tag kept") {
        const std::string name = first + "\\t.log";
        log.Open(name, false, 9);
        CHECK_FALSE(log.IsOpen());
        CHECK(log.FileName() == name);
        CHECK(log.Tag() == 9);
        log.Close();
        CHECK(testreg::ReadFile(first) == "old\r\n");
    }
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
}

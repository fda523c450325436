#include "doctest.h"

#include "log/LogPath.h"

#include <vector>

using Folders = std::vector<std::string>;

TEST_CASE("a log name of four or more characters without a drive lives beside the executable") {
    const std::string exe = "C:\\Program Files\\Tidewarp\\tidewarp.exe";
    CHECK(logpath::Resolve("trace.log", exe) == "C:\\Program Files\\Tidewarp\\trace.log");
    CHECK(logpath::Resolve("logs\\a.txt", exe) == "C:\\Program Files\\Tidewarp\\logs\\a.txt");
    CHECK(logpath::Resolve("abcd", exe) == "C:\\Program Files\\Tidewarp\\abcd");
    // Three characters, or a drive, and the name stands as given.
    CHECK(logpath::Resolve("abc", exe) == "abc");
    CHECK(logpath::Resolve("D:\\logs\\t.log", exe) == "D:\\logs\\t.log");
    CHECK(logpath::Resolve("D:t.log", exe) == "D:t.log");
    CHECK(logpath::Resolve("", exe) == "");
    // No folder to take from the executable's path.
    CHECK(logpath::Resolve("trace.log", "tidewarp.exe") == "trace.log");
    CHECK(logpath::Resolve("trace.log", "") == "trace.log");
}

TEST_CASE("the folders a log path needs, outermost first, never the file") {
    CHECK(logpath::FoldersOf("C:\\a\\b\\c\\t.log") == Folders{"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"});
    CHECK(logpath::FoldersOf("C:\\t.log").empty());
    CHECK(logpath::FoldersOf("t.log").empty());
    CHECK(logpath::FoldersOf("logs\\deep\\t.log") == Folders{"logs", "logs\\deep"});
    CHECK(logpath::FoldersOf("\\logs\\t.log") == Folders{"\\logs"});
    CHECK(logpath::FoldersOf("C:/a/b/t.log") == Folders{"C:/a", "C:/a/b"});
    CHECK(logpath::FoldersOf("D:logs\\t.log") == Folders{"D:logs"});
    // Doubled separators make no empty folder names.
    CHECK(logpath::FoldersOf("C:\\a\\\\b\\t.log") == Folders{"C:\\a", "C:\\a\\\\b"});
    // A UNC server and share are never created.
    CHECK(logpath::FoldersOf("\\\\server\\share\\logs\\t.log") == Folders{"\\\\server\\share\\logs"});
    CHECK(logpath::FoldersOf("\\\\server\\share\\t.log").empty());
    CHECK(logpath::FoldersOf("\\\\server").empty());
    // A path ending in a separator names a folder: it is created too.
    CHECK(logpath::FoldersOf("C:\\a\\b\\") == Folders{"C:\\a", "C:\\a\\b"});
}

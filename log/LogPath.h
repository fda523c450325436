// Where the diagnostic log goes and which folders it needs; no Windows calls, so it is tested on
// the host as well.
#pragma once

#include <string>
#include <vector>

namespace logpath {

// A name of four or more characters that does not start with a drive ("X:") lives in the folder of
// the executable; anything shorter, or with a drive, is used as it stands. An executable path with
// no backslash leaves the name alone.
std::string Resolve(const std::string& name, const std::string& executablePath);

// The folders a file path needs, outermost first: each prefix that ends before a separator ("\" or
// "/"), leaving out the drive, the root and a UNC server and share, and never the file name itself.
std::vector<std::string> FoldersOf(const std::string& path);

}  // namespace logpath

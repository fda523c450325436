#define DOCTEST_CONFIG_IMPLEMENT
#include "doctest.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

// Each Windows test executable works in C:\tidewarp-tests\<its name>, a fresh folder of the
// throwaway prefix, because the program keeps its files in the current directory.
static void EnterScratchFolder(const char* argv0) {
    std::string name = argv0;
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    CreateDirectoryA("C:\\tidewarp-tests", nullptr);
    std::string dir = "C:\\tidewarp-tests\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    SetCurrentDirectoryA(dir.c_str());
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    EnterScratchFolder(argc > 0 ? argv[0] : "tests");
#endif
    doctest::Context context(argc, argv);
    return context.run();
}

// Running the console program as a child process, the way a script would.
#pragma once

#include <string>

namespace testproc {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The folder of the running test executable (the programs are built beside it).
std::string ProgramFolder();

// Runs a command line in the current directory and waits for it; stdout and stderr go to files.
Result RunCommand(const std::string& commandLine);

// Runs "<ProgramFolder>\<exe> <args>", one of the programs built beside the tests.
Result Run(const std::string& exe, const std::string& args);

}  // namespace testproc

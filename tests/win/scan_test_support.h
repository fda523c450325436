// Shared by the scanner tests: running one category and picking out the records a test planted.
#pragma once

#include "registry/RegistryLib.h"

#include <string>
#include <vector>

namespace scantest {

// The progress calls a scan made.
struct Call {
    std::string item, status;
    std::int32_t examined, found;
};
extern std::vector<Call> g_calls;
void RecordCall(std::string item, std::string status, std::int32_t examined, std::int32_t found);
bool CalledWith(const std::string& item);

// Runs one scanner (category number 1..9) on a cleared error list; exactly one summary expected.
CategorySummary ScanCategory(CRegistryLib& lib, int number);

// Records whose item or key path contains the marker.
std::vector<const ErrorRecord*> RecordsWith(const CRegistryLib& lib, const std::string& marker);
const ErrorRecord* RecordFor(const CRegistryLib& lib, const std::string& item);

}  // namespace scantest

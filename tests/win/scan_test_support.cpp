#include "scan_test_support.h"

#include "doctest.h"
#include "test_registry.h"

namespace scantest {

std::vector<Call> g_calls;

void RecordCall(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    g_calls.push_back({item, status, examined, found});
}

bool CalledWith(const std::string& item) {
    for (const Call& c : g_calls)
        if (c.item == item) return true;
    return false;
}

CategorySummary ScanCategory(CRegistryLib& lib, int number) {
    using Scanner = void (CRegistryLib::*)(SummaryList&);
    static const Scanner scanners[] = {&CRegistryLib::ScanClasses,   &CRegistryLib::ScanSharedFiles,
                                       &CRegistryLib::ScanDrivers,   &CRegistryLib::ScanHelpFiles,
                                       &CRegistryLib::ScanAppPaths,  &CRegistryLib::ScanSharedTools,
                                       &CRegistryLib::ScanFonts,     &CRegistryLib::ScanStartup,
                                       &CRegistryLib::ScanUninstall};
    g_calls.clear();
    testreg::SetStopEvent(false);
    lib.Errors().clear();
    lib.SetProgressCallback(&RecordCall);
    SummaryList summaries;
    (lib.*scanners[number - 1])(summaries);
    REQUIRE(summaries.size() == 1);
    return summaries[0];
}

std::vector<const ErrorRecord*> RecordsWith(const CRegistryLib& lib, const std::string& marker) {
    std::vector<const ErrorRecord*> out;
    for (const ErrorRecord& r : lib.Errors())
        if (r.Item().find(marker) != std::string::npos || r.KeyPath().find(marker) != std::string::npos)
            out.push_back(&r);
    return out;
}

const ErrorRecord* RecordFor(const CRegistryLib& lib, const std::string& item) {
    for (const ErrorRecord& r : lib.Errors())
        if (r.Item() == item) return &r;
    return nullptr;
}

}  // namespace scantest

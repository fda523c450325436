#include "registry/Categories.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"

namespace {

using Scanner = void (CRegistryLib::*)(SummaryList&);

// The scanners in category order (numbers 1..9).
const Scanner kScanners[kRegistryCategoryCount] = {
    &CRegistryLib::ScanClasses,     &CRegistryLib::ScanSharedFiles, &CRegistryLib::ScanDrivers,
    &CRegistryLib::ScanHelpFiles,   &CRegistryLib::ScanAppPaths,    &CRegistryLib::ScanSharedTools,
    &CRegistryLib::ScanFonts,       &CRegistryLib::ScanStartup,     &CRegistryLib::ScanUninstall,
};

}  // namespace

void CRegistryLib::ScanAll(SummaryList& summaries, ScanSelection& selection, ScanObserver* observer) {
    LoadIgnoreList();
    summaries.clear();
    errors_.clear();
    ignoredEntryKeys_.clear();
    unreachable_.clear();
    leftAtFix_.clear();
    probe_.Forget();  // a drive plugged in or taken out since the last scan counts now

    StopEvent stop;
    stop.Reset();

    if (observer) observer->OnScanStarted();
    for (const CategoryInfo& c : kRegistryCategories) {
        std::int32_t& flag = selection.field[c.selectionField];
        if (flag == 0) continue;
        if (observer) observer->OnCategoryStarted(c.number);
        flag = 2;
        (this->*kScanners[c.number - 1])(summaries);
        flag = -1;
        if (observer) observer->OnCategoryFinished(c.number);
    }
}

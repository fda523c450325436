#include "registry/Categories.h"
#include "registry/RegistryLib.h"
#include "registry/StopEvent.h"

namespace {

using Scanner = void (CRegistryLib::*)(SummaryList&);

// The scanners in category order; a category whose scanner is not built yet is passed over.
Scanner ScannerFor(int number) {
    switch (number) {
        case 1:
            return &CRegistryLib::ScanClasses;
        default:
            return nullptr;
    }
}

}  // namespace

void CRegistryLib::ScanAll(SummaryList& summaries, ScanSelection& selection, ScanObserver* observer) {
    LoadIgnoreList();
    summaries.clear();
    errors_.clear();

    StopEvent stop;
    stop.Reset();

    if (observer) observer->OnScanStarted();
    for (const CategoryInfo& c : kRegistryCategories) {
        std::int32_t& flag = selection.field[c.selectionField];
        if (flag == 0) continue;
        if (observer) observer->OnCategoryStarted(c.number);
        flag = 2;
        if (Scanner scanner = ScannerFor(c.number)) (this->*scanner)(summaries);
        flag = -1;
        if (observer) observer->OnCategoryFinished(c.number);
    }
}

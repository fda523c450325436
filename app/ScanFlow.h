// The scan (and later the removal) as one piece of code with no window in it: the main window runs
// it on its worker thread, the console program on its main thread.
#pragma once

#include "registry/RegistryLib.h"

class ScanFlow {
public:
    explicit ScanFlow(CRegistryLib& registry) : registry_(registry) {}

    // Runs the selected registry categories in their fixed order. The selection's fields end at -1
    // for every category that ran; the summaries and the library's error list hold the results.
    void Scan(ScanSelection& selection, SummaryList& summaries, ScanObserver* observer = nullptr);

private:
    CRegistryLib& registry_;
};

// The scan (and later the removal) as one piece of code with no window in it: the main window runs
// it on its worker thread, the console program on its main thread.
#pragma once

#include "maintenance/Shortcut.h"
#include "registry/RegistryLib.h"

// The lamp number the observer is told for the shortcut scan ("BUTTON_STATUS10").
constexpr int kShortcutLamp = 10;

class ScanFlow {
public:
    explicit ScanFlow(CRegistryLib& registry) : registry_(registry) {}
    ScanFlow(CRegistryLib& registry, CShortcut& shortcuts) : registry_(registry), shortcuts_(&shortcuts) {}

    // Runs the selected registry categories in their fixed order, then, when field 10 is selected
    // and no stop was requested meanwhile, the shortcut scan of the fixed drives (lamp 10). The
    // selection's fields end at -1 for every part that ran; the summaries, the library's error list
    // and the shortcut list hold the results. Shortcuts on the ignore list are not listed.
    void Scan(ScanSelection& selection, SummaryList& summaries, ScanObserver* observer = nullptr);

private:
    CRegistryLib& registry_;
    CShortcut* shortcuts_ = nullptr;
};

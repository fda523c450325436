// The scan run of the main window: start, the worker, the progress texts and lamps, and the
// completion steps with the result list and the counters.
#include "app/MainWindow.h"

#include "app/ResultRows.h"
#include "app/ScanFlow.h"
#include "registry/Categories.h"
#include "platform/Codepage.h"
#include "registry/StopEvent.h"
#include "resource.h"

#include <shlwapi.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

// The page that shows scan progress; the fix run writes its texts there too.
std::atomic<SkinPanel*> scanPage{nullptr};

// What the scanners reported last, for the window's thread to show on its next progress tick:
// two text changes for every entry examined cost about as much as the scan itself.
struct LatestProgress {
    std::mutex lock;
    std::string item, status;
    bool fresh = false;
} latest;

// The scan page's check boxes and the selection fields they fill, in the order they are read.
struct SelectionSource {
    const char* button;
    int field;
};
const SelectionSource kSelectionSources[] = {
    {"BUTTON_REGISTRY", 0},     {"BUTTON_COM", 1},   {"BUTTON_COM_SUBS", 3}, {"BUTTON_COM_SUBS", 2},
    {"BUTTON_DRV", 4},          {"BUTTON_HELP", 5},  {"BUTTON_APPPATH", 6},  {"BUTTON_SHARED_TOOLS", 7},
    {"BUTTON_FONTS", 8},        {"BUTTON_STARTUP", 9}, {"BUTTON_SHORTCUTS", 10}, {"BUTTON_UNINSTALL", 11}};

// The summary page's counters: the category a row carries and the text that counts it.
struct Counter {
    const char* category;
    const char* text;
};
const Counter kCounters[] = {{"CLSID", "TEXT_FOUND_CLSID"},    {"PROGID", "TEXT_FOUND_COM"},
                             {"VxD", "TEXT_FOUND_DRIVERS"},    {"Help", "TEXT_FOUND_HELP"},
                             {"APPPath", "TEXT_FOUND_PATHS"},  {"SharedFile", "TEXT_FOUND_SHARED"},
                             {"font", "TEXT_FOUND_FONTS"},     {"Startup", "TEXT_FOUND_STARTUP"},
                             {"Uninstall", "TEXT_FOUND_UNINSTALL"}, {kShortcutCategory, "TEXT_FOUND_LINK"}};

const char kScanStopped[] = "Scan stopped: the results are incomplete";

// Lamp k of the status page: red while pending, yellow while its scanner runs, green when done.
// Notes which areas were scanned to their end, before any stop request.
class Lamps : public ScanObserver {
public:
    Lamps(MainWindow& window, MainWindow::AreasFinished& finished) : window_(window), finished_(finished) {}
    void OnScanStarted() override { window_.ResetLamps(); }
    void OnCategoryStarted(int number) override {
        if (SkinPanel* page = Page()) page->SetButtonChecked(Name(number), true);
    }
    void OnCategoryFinished(int number) override {
        if (SkinPanel* page = Page()) page->EnableButton(Name(number), false);
        // A scanner that heard the stop request returns early: its count is not the whole area's.
        if (number > 0 && number < static_cast<int>(finished_.size()) && !StopEvent().IsSignalled())
            finished_[static_cast<std::size_t>(number)] = true;
    }

private:
    SkinPanel* Page() const { return window_.Page(kLampPage); }
    static std::string Name(int number) { return "BUTTON_STATUS" + std::to_string(number); }
    MainWindow& window_;
    MainWindow::AreasFinished& finished_;
};

// The lamp (scan order number) of the area a counter counts; 0 for none that is scanned.
int AreaOf(const Counter& counter) {
    if (std::string(counter.category) == kShortcutCategory) return kShortcutLamp;
    const CategoryInfo* info = FindCategory(counter.category);
    return info ? info->number : 0;
}

// "—" as the system's code page writes it, or "-" where it has no such character.
std::string Dash() {
    std::string dash;
    return tw::Utf16ToAnsiExact(u"\u2014", dash) ? dash : "-";
}

}  // namespace

void MainWindow::ScanProgressCallback(std::string item, std::string status, std::int32_t, std::int32_t) {
    std::lock_guard<std::mutex> hold(latest.lock);
    latest.item.swap(item);
    latest.status.swap(status);
    latest.fresh = true;
}

void MainWindow::ShowLatestProgress() {
    std::string item, status;
    {
        std::lock_guard<std::mutex> hold(latest.lock);
        if (!latest.fresh) return;
        latest.fresh = false;
        item.swap(latest.item);
        status.swap(latest.status);
    }
    SkinPanel* page = scanPage.load();
    if (!page) return;
    page->SetTextByName("TEXT_ERRORSCAN_STATUS", status);
    char shown[MAX_PATH] = "";
    if (!PathCompactPathExA(shown, item.c_str(), 70, 0)) shown[0] = '\0';
    page->SetTextByName("TEXT_ERRORSCAN_CURRENTITEM", shown);
}

SkinPanel* MainWindow::ScanPage() { return scanPage.load(); }

void MainWindow::ResetLamps() {
    ShowSidePage(kLampPage);
    if (SkinPanel* lamps = Page(kLampPage)) {
        lamps->EnableAllButtons(true);
        lamps->SetAllButtonsChecked(false);
    }
}

SkinCheckList* MainWindow::ResultList() const {
    SkinPanel* results = Page(kResultPage);
    return results ? results->List() : nullptr;
}
void MainWindow::SetScanPage(SkinPanel* page) { scanPage = page; }

void MainWindow::StartScan() {
    EnableAllButtons(true);
    EnableButton("BUTTON_MAIN", false);
    ++scanCount_;
    ShowRepairResult("");
    autoScanPutOff_ = false;  // this scan is the one that was put off, or takes its place
    ShowPage(kScanPage);
    scanPage = Page(kScanPage);
    ShowSidePage(kLampPage);
    SetButtonChecked("BUTTON_SCAN", true);
    areasFinished_ = {};
    selection_ = TickedSelection();
    SetScanRunning(true);
    stop_.Reset();
    if (StartWorker(&ScanThreadMain)) return;
    SetScanRunning(false);
    SetButtonChecked("BUTTON_SCAN", false);
    notifier_.Notify("The scan could not be started.");
}

ScanSelection MainWindow::TickedSelection() const {
    ScanSelection selection{};
    if (SkinPanel* page = Page(kScanPage))
        for (const SelectionSource& source : kSelectionSources)
            selection.field[source.field] = page->GetButtonChecked(source.button);
    return selection;
}

void MainWindow::StartQuickScan() {
    if (closing_ || ScanRunning()) return;
    quick_.reset();  // the last one has ended
    quickRunning_ = true;
    // The quick scan removes what it finds: the main window's results may not be removed again.
    resultsAvailable_ = false;
    autoScanPutOff_ = false;
    // The end is told by a message, from the window's thread or its last worker: this object may
    // be gone by then.
    HWND self = Handle();
    const ScanSelection selection = TickedSelection();
    quick_ = std::make_unique<CThreadSummary>(
        self, [this, selection] { return MakeQuickScanWindow(selection); },
        [self] { PostMessageA(self, kQuickScanEnded, 0, 0); });
    if (quick_->Start()) return;
    quick_.reset();
    quickRunning_ = false;
    notifier_.Notify("The scan could not be started.");
}

std::unique_ptr<Summary> MainWindow::MakeQuickScanWindow(const ScanSelection& selection) const {
    return std::make_unique<Summary>(IDD_SKIN_DIALOG, selection, SkinFilePath());
}

void MainWindow::CloseQuickScan() {
    if (!quick_) return;
    // A flow still running after the time is left to the end of the process, not freed under it.
    if (!quick_->Cancel(kQuickScanWait)) static_cast<void>(quick_.release());
    quick_.reset();
    quickRunning_ = false;
}

void MainWindow::StopScan() {
    SetButtonChecked("BUTTON_SCAN", false);
    stop_.Set();
}

void MainWindow::RunScan() {
    Lamps lamps(*this, areasFinished_);
    ScanFlow(registry_, shortcuts_).Scan(selection_, summaries_, &lamps);
}

DWORD WINAPI MainWindow::ScanThreadMain(void* self) {
    auto& window = *static_cast<MainWindow*>(self);
    try {
        window.RunScan();
    } catch (...) {
        // What was found so far is shown; nothing of the registry has changed.
    }
    PostMessageA(window.Handle(), kScanDone, 0, 0);
    return 0;
}

void MainWindow::CompleteScan() {
    EndWorker();
    scanStopped_ = stop_.IsSignalled();
    SkinPanel* page = scanPage.load();
    if (page) page->SetTextByName("TEXT_ERRORSCAN_STATUS", "ScanComplete");
    if (!closing_) {
        ShowPage(kResultPage);
        EnableAllButtons(true);
        FillResults();
    }
    SetButtonChecked("BUTTON_SCAN", false);
    resultsAvailable_ = true;
    SetScanRunning(false);
    stop_.Reset();
    if (page) page->SetTextByName("TEXT_ERRORSCAN_CURRENTITEM", "");
}

void MainWindow::FillResults() {
    const ErrorList& errors = registry_.Errors();
    std::vector<std::vector<std::string>> rows;
    rows.reserve(errors.size() + shortcuts_.Count());
    int counts[std::size(kCounters)] = {};
    auto count = [&counts](const std::string& category) {
        for (std::size_t i = 0; i < std::size(kCounters); ++i) {
            if (category != kCounters[i].category) continue;
            ++counts[i];
            break;
        }
    };
    for (const ErrorRecord& record : errors) {
        rows.push_back(RegistryRowTexts(record));
        count(record.Category());
    }
    registryRowCount_ = static_cast<int>(errors.size());
    for (const std::string& path : shortcuts_.Broken()) {
        rows.push_back(ShortcutRowTexts(path));
        count(kShortcutCategory);
    }
    if (SkinCheckList* list = ResultList()) list->ReplaceRows(std::move(rows), true);

    ShowPage(kSummaryPage);
    SkinPanel* summary = Page(kSummaryPage);
    if (!summary) return;
    // A stopped scan says so, and counts only the areas it scanned to their end.
    summary->SetTextByName("TEXT_SCAN_STOPPED", scanStopped_ ? kScanStopped : "");
    for (std::size_t i = 0; i < std::size(kCounters); ++i) {
        const bool counted = !scanStopped_ || areasFinished_[static_cast<std::size_t>(AreaOf(kCounters[i]))];
        summary->SetTextByName(kCounters[i].text, counted ? std::to_string(counts[i]) : Dash());
    }
}

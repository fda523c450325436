// What the second look before each removal costs: a fix of N planted errors with the look and the
// same fix without it, alternately in one run (each round plants and scans afresh).
//
//   fix_bench [N ...]   N planted errors, half class registrations (whole keys), half start-up
//                       values (default: 500 2000); 9 rounds each, medians. The looks alone are
//                       also timed: the removal's own time varies by more than they cost.
#include "app/FixFlow.h"
#include "bench/BenchSupport.h"
#include "registry/RegistryLib.h"

#include <io.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 9;
const char kRun[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";
const char kMissing[] = "C:\\bench-fix-missing\\";

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    HKEY h = nullptr;
    if (RegCreateKeyA(root, key.c_str(), &h) != ERROR_SUCCESS) return;
    RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

std::string ClassKey(int i) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "CLSID\\{BE7CF1C0-0000-4000-8000-%012d}", i);
    return buf;
}

std::string RunName(int i) { return "BenchFix" + std::to_string(i); }

void Plant(int n) {
    for (int i = 0; i < n / 2; ++i) {
        SetString(HKEY_CLASSES_ROOT, ClassKey(i) + "\\InprocServer32", "", kMissing + std::to_string(i) + ".dll");
        SetString(HKEY_CLASSES_ROOT, ClassKey(i) + "\\InprocServer32", "ThreadingModel", "Both");
    }
    for (int i = 0; i < n - n / 2; ++i) SetString(HKEY_LOCAL_MACHINE, kRun, RunName(i), kMissing + std::to_string(i) + ".exe");
}

// Whatever a fix left behind.
void Unplant(int n) {
    for (int i = 0; i < n / 2; ++i) CRegistryLib::DeleteTree(HKEY_CLASSES_ROOT, ClassKey(i));
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_SET_VALUE, &run) != ERROR_SUCCESS) return;
    for (int i = 0; i < n - n / 2; ++i) RegDeleteValueA(run, RunName(i).c_str());
    RegCloseKey(run);
}

struct Timing {
    double fix = 0;     // the whole removal: ignore list, backup, fix passes (FixFlow::Fix)
    double passes = 0;  // the fix passes alone, in a second planting (CRegistryLib::FixAll)
    double looks = 0;   // the second looks alone, made once more over the same records
    double floor = 0;   // a bare existence test (_access) of the same files: the least a look can cost
};

// Plants and scans the class and start-up categories.
void PlantAndScan(int n, CRegistryLib& lib, SummaryList& summaries) {
    Plant(n);
    ScanSelection selection;
    selection.field[ScanSelection::kClassRegistrations] = selection.field[ScanSelection::kStartup] = 1;
    lib.ScanAll(summaries, selection);
}

int Removed(const SummaryList& summaries) {
    int removed = 0;
    for (const CategorySummary& s : summaries) removed += s.fixed;
    return removed;
}

// Plants, scans and times the removal, then does the same for the fix passes alone.
Timing TimedFix(int n, bool retest, int& removed) {
    Timing t;
    {
        CRegistryLib lib;
        SummaryList summaries;
        PlantAndScan(n, lib, summaries);
        lib.SetRetestAtFix(retest);
        const double f0 = bench::Now();
        for (const ErrorRecord& r : lib.Errors()) _access(r.TestedPath().c_str(), 0);
        const double t0 = bench::Now();
        t.floor = t0 - f0;
        for (const ErrorRecord& r : lib.Errors()) lib.TestFile(r.TestedPath(), r.TestedNative());
        const double t1 = bench::Now();
        FixFlow(lib).Fix(FixRequest::AllChecked(lib.Errors().size(), 0), summaries);
        t.fix = bench::Now() - t1;
        t.looks = t1 - t0;
        removed = Removed(summaries);
        Unplant(n);
    }
    CRegistryLib lib;
    SummaryList summaries;
    PlantAndScan(n, lib, summaries);
    lib.SetRetestAtFix(retest);
    const double t0 = bench::Now();
    lib.FixAll(summaries, "FixedOnBench.xml");
    t.passes = bench::Now() - t0;
    Unplant(n);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {500, 2000};
    std::printf("Removal with the second look against the same removal without it (%d rounds, medians):\n"
                "the whole removal (ignore list, backup, passes), the fix passes alone, and the looks alone\n",
                kRounds);
    std::printf("%-7s %10s %10s %6s | %10s %10s %6s | %8s %7s %7s %9s %9s\n", "planted", "fix ms", "+look ms",
                "ratio", "passes ms", "+look ms", "ratio", "looks ms", "of fix", "of pass", "access ms", "removed");
    for (int n : sizes) {
        std::vector<double> fix[2], passes[2], looks, floors;
        int removed[2] = {0, 0};
        for (int round = 0; round < kRounds; ++round) {
            for (int with = 0; with < 2; ++with) {
                const Timing t = TimedFix(n, with == 1, removed[with]);
                fix[with].push_back(t.fix);
                passes[with].push_back(t.passes);
                looks.push_back(t.looks);
                floors.push_back(t.floor);
            }
        }
        const double f0 = bench::Median(fix[0]), f1 = bench::Median(fix[1]);
        const double p0 = bench::Median(passes[0]), p1 = bench::Median(passes[1]), l = bench::Median(looks);
        std::printf("%-7d %10.1f %10.1f %6.3f | %10.1f %10.1f %6.3f | %8.2f %6.1f%% %6.1f%% %9.2f %4d/%-4d\n", n,
                    f0 * 1000, f1 * 1000, f1 / f0, p0 * 1000, p1 * 1000, p1 / p0, l * 1000, l / f0 * 100,
                    l / p0 * 100, bench::Median(floors) * 1000, removed[1], removed[0]);
    }
    return 0;
}

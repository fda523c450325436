// Class registrations: a class whose server file (InprocServer32 and friends) is missing.
#include "platform/Text.h"
#include "registry/ScanSupport.h"

#include <vector>

namespace {

constexpr char kClassesPath[] = "HKEY_CLASSES_ROOT\\CLSID";

bool IsServerKey(const std::string& name) {
    std::string lower = tw::ToLower(name);
    return lower == "inprocserver32" || lower == "localserver32" || lower == "inprocserver" ||
           lower == "localserver";
}

// mailui.dll is never reported (compared with its letter case, as the last ten characters).
bool IsExemptServer(const std::string& path) { return tw::EndsWith(path, "mailui.dll"); }

class ClassScan {
public:
    ClassScan(CRegistryLib& lib) : scan_(lib, kRegistryCategories[0]) {}

    void Run(SummaryList& summaries) {
        if (scan_.StopRequested()) return;
        tw::UniqueHKey classes;
        if (OpenKeyPath(kClassesPath, classes) != ERROR_SUCCESS) {
            scan_.AppendSummary(summaries);
            return;
        }
        WalkResult r = ForEachSubKey(classes.get(), scan_,
                                     [&](const std::string& clsid) { VisitClass(classes.get(), clsid); });
        if (r == WalkResult::QueryFailed) return;
        scan_.AppendSummary(summaries);
    }

private:
    void VisitClass(HKEY classes, const std::string& clsid) {
        tw::UniqueHKey classKey;
        if (RegOpenKeyA(classes, clsid.c_str(), classKey.put()) != ERROR_SUCCESS) return;
        DWORD subKeys = 0;
        if (RegQueryInfoKeyA(classKey.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subKeys == 0)
            return;
        ForEachSubKey(classKey.get(), scan_,
                      [&](const std::string& sub) { VisitServer(classKey.get(), clsid, sub); });
    }

    void VisitServer(HKEY classKey, const std::string& clsid, const std::string& sub) {
        if (!IsServerKey(sub)) return;
        tw::UniqueHKey server;
        if (RegOpenKeyA(classKey, sub.c_str(), server.put()) != ERROR_SUCCESS) return;
        std::vector<RegValueEntry> values;
        CRegistryLib::ListValues(server.get(), values);
        CRegistryLib& lib = scan_.Lib();
        lib.SetCurrentItem(sub);
        for (const RegValueEntry& entry : values) {
            if (entry.name != kDefaultValueName) continue;
            scan_.CountExamined();
            if (entry.text == kValueNotSetText) continue;
            std::string path = CleanPath(entry.text, CleanupVariant::Class, lib.Environment());
            lib.SetCurrentItem(path);
            if (!IsExemptServer(path) && scan_.IsMissing(path)) {
                scan_.Report(std::string(kClassesPath) + "\\" + clsid, entry, path);
                CountProgId(classKey);
            }
            scan_.Progress(path);
        }
    }

    // A reported class's ProgID default value counts as examined too.
    void CountProgId(HKEY classKey) {
        tw::UniqueHKey progId;
        if (RegOpenKeyA(classKey, "ProgID", progId.put()) != ERROR_SUCCESS) return;
        std::vector<RegValueEntry> values;
        CRegistryLib::ListValues(progId.get(), values);
        for (const RegValueEntry& e : values)
            if (e.name == kDefaultValueName) scan_.CountExamined();
    }

    CategoryScan scan_;
};

}  // namespace

void CRegistryLib::ScanClasses(SummaryList& summaries) { ClassScan(*this).Run(summaries); }

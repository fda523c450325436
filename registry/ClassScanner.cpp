// Class registrations: a class whose server file (InprocServer32 and friends) is missing.
#include "platform/Text.h"
#include "registry/FileRefRules.h"
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
        if (scan_.StoppedOnEntry()) return;
        tw::UniqueHKey classes;
        if (OpenKeyPath(kClassesPath, classes) != ERROR_SUCCESS) {
            scan_.AppendSummary(summaries);
            return;
        }
        if (!CanQueryKey(classes.get())) return;
        ForEachSubKey(classes.get(), scan_, [&](const std::string& clsid, bool exact) {
            if (exact)
                VisitClass(classes.get(), clsid);
            else
                scan_.CountExamined();  // a class the code page cannot name: sound, never reported
        });
        scan_.AppendSummary(summaries);
    }

private:
    void VisitClass(HKEY classes, const std::string& clsid) {
        tw::UniqueHKey classKey;
        if (RegOpenKeyA(classes, clsid.c_str(), classKey.put()) != ERROR_SUCCESS) return;
        // A name the code page cannot spell is no server name.
        ForEachSubKey(classKey.get(), scan_, [&](const std::string& sub, bool exact) {
            if (exact) VisitServer(classKey.get(), clsid, sub);
        });
    }

    void VisitServer(HKEY classKey, const std::string& clsid, const std::string& sub) {
        if (!IsServerKey(sub)) return;
        tw::UniqueHKey server;
        if (RegOpenKeyA(classKey, sub.c_str(), server.put()) != ERROR_SUCCESS) return;
        // Only the default value names the server, so it is read alone rather than listing them all.
        const RegValueEntry entry = ReadDefaultValue(server.get());
        CRegistryLib& lib = scan_.Lib();
        lib.SetCurrentItem(sub);
        scan_.CountExamined();
        if (entry.text == kValueNotSetText) return;
        // Only a string names the server; text the code page cannot spell names another file.
        if (!entry.exact || !NamesFile(entry.type)) return;
        std::string path = CleanPath(entry.text, CleanupVariant::Class, lib.Environment());
        lib.SetCurrentItem(path);
        const std::string keyPath = std::string(kClassesPath) + "\\" + clsid;
        if (!IsExemptServer(path) && IsTestablePath(path) && scan_.IsMissing(path, keyPath)) {
            scan_.Report(keyPath, entry, path);
            CountProgId(classKey);
        }
        scan_.Progress(path);
    }

    // A reported class's ProgID default value counts as examined too.
    void CountProgId(HKEY classKey) {
        tw::UniqueHKey progId;
        if (RegOpenKeyA(classKey, "ProgID", progId.put()) != ERROR_SUCCESS) return;
        scan_.CountExamined();  // its "(Default)" entry, which every listing has
    }

    CategoryScan scan_;
};

}  // namespace

void CRegistryLib::ScanClasses(SummaryList& summaries) { ClassScan(*this).Run(summaries); }

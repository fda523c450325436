// Class registrations: a class whose server file (InprocServer32 and friends) is missing.
#include "platform/Text.h"
#include "registry/FileRefRules.h"
#include "registry/ScanSupport.h"

#include <vector>

namespace {

// Machine-wide classes keep the name records have always had; CRegistryLib opens a HKEY_CLASSES_ROOT
// path under HKEY_LOCAL_MACHINE\Software\Classes, so they are judged from that hive alone.
constexpr char kClassesPath[] = "HKEY_CLASSES_ROOT\\CLSID";
// The current user's classes, named by their physical key (the 32-bit view's under its Wow6432Node path).
constexpr char kUserClassesPath[] = "HKEY_CURRENT_USER\\Software\\Classes\\CLSID";

bool IsServerKey(const std::string& name) {
    std::string lower = tw::ToLower(name);
    return lower == "inprocserver32" || lower == "localserver32" || lower == "inprocserver" ||
           lower == "localserver";
}

// A 16-bit server (InprocServer, LocalServer) is a file of the 32-bit system, whichever registry view
// names it: 64-bit Windows keeps 16-bit files beside the 32-bit ones, never in the 64-bit system32.
bool Is16BitServerKey(const std::string& name) {
    std::string lower = tw::ToLower(name);
    return lower == "inprocserver" || lower == "localserver";
}

// mailui.dll is never reported (compared with its letter case, as the last ten characters).
bool IsExemptServer(const std::string& path) { return tw::EndsWith(path, "mailui.dll"); }

class ClassScan {
public:
    ClassScan(CRegistryLib& lib) : scan_(lib, kRegistryCategories[0]) {}

    void Run(SummaryList& summaries) {
        if (scan_.StoppedOnEntry()) return;
        const unsigned scanned = scan_.Lib().ScannedViews();
        std::vector<ViewedKey> views = OpenKeyViews(kClassesPath, scanned);
        for (const ViewedKey& view : views)
            if (!CanQueryKey(view.key.get())) return;
        // Then the user's, each hive judged on its own: a class registered in both is reported once
        // for each hive where it is broken, under that hive's key. The user's key missing or
        // unreadable takes nothing from the machine-wide scan.
        for (ViewedKey& view : OpenKeyViews(kUserClassesPath, scanned))
            if (CanQueryKey(view.key.get())) views.push_back(std::move(view));
        for (const ViewedKey& view : views) {
            scan_.SetNativeFiles(view.nativeFiles);
            const HKEY classes = view.key.get();
            ForEachSubKey(classes, scan_, [&](const std::string& clsid, bool exact) {
                if (exact)
                    VisitClass(classes, view.path + "\\" + clsid, clsid);
                else
                    scan_.CountExamined();  // a class the code page cannot name: sound, never reported
            });
        }
        scan_.AppendSummary(summaries);
    }

private:
    void VisitClass(HKEY classes, const std::string& keyPath, const std::string& clsid) {
        tw::UniqueHKey classKey;
        if (CRegistryLib::OpenSubKey(classes, clsid, classKey.put()) != ERROR_SUCCESS) return;
        // A name the code page cannot spell is no server name.
        ForEachSubKey(classKey.get(), scan_, [&](const std::string& sub, bool exact) {
            if (exact) VisitServer(classKey.get(), keyPath, sub);
        });
    }

    void VisitServer(HKEY classKey, const std::string& keyPath, const std::string& sub) {
        if (!IsServerKey(sub)) return;
        tw::UniqueHKey server;
        if (CRegistryLib::OpenSubKey(classKey, sub, server.put()) != ERROR_SUCCESS) return;
        // Only the default value names the server, so it is read alone rather than listing them all.
        const RegValueEntry entry = ReadDefaultValue(server.get());
        CRegistryLib& lib = scan_.Lib();
        lib.SetCurrentItem(sub);
        scan_.CountExamined();
        if (entry.text == kValueNotSetText) return;
        // Only a string names the server; text the code page cannot spell names another file.
        if (!entry.exact || !NamesFile(entry.type)) return;
        const bool nativeFiles = scan_.NativeFiles() && !Is16BitServerKey(sub);
        std::string path = CleanPath(entry.text, CleanupVariant::Class, scan_.Environment(nativeFiles));
        lib.SetCurrentItem(path);
        if (!IsExemptServer(path) && IsTestablePath(path) && scan_.IsMissing(path, keyPath, entry, nativeFiles)) {
            scan_.Report(keyPath, entry, path, nativeFiles);
            CountProgId(classKey);
        }
        scan_.Progress(path);
    }

    // A reported class's ProgID default value counts as examined too.
    void CountProgId(HKEY classKey) {
        tw::UniqueHKey progId;
        if (CRegistryLib::OpenSubKey(classKey, "ProgID", progId.put()) != ERROR_SUCCESS) return;
        scan_.CountExamined();  // its "(Default)" entry, which every listing has
    }

    CategoryScan scan_;
};

}  // namespace

void CRegistryLib::ScanClasses(SummaryList& summaries) { ClassScan(*this).Run(summaries); }

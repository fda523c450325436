// The scanners that test registry values naming a file or a command: shared DLL counts, drivers,
// help files, application paths, shared tools, fonts, start-up and uninstall entries.
//
// They are one family. Each member is a row of data: where it looks, whether it lists one key or
// walks the sub-keys of a key, and how a record's key path is formed; how an entry becomes the path
// to test is its rule (FileRefRules). Two walks (flat and sub-key) and one entry loop serve them all.
#include "platform/Codepage.h"
#include "platform/Text.h"
#include "registry/FileRefRules.h"
#include "registry/ScanSupport.h"

#include <vector>

namespace {

enum class Walk { Flat, SubKeys };
enum class RecordKey { TheKey, SubKeyAsEnumerated, SubKeyLowerCased };

struct Member {
    int number;            // the category's number, 1..9
    const char* keyPath;   // null: the Fonts key, which depends on the system family
    Walk walk;
    RecordKey recordKey;
    bool (*wantsSubKey)(const std::string& lowerName);  // null: every sub-key
    const char* userKeyPath;  // the current user's key of the category, walked after it; null: none
};

bool IsHelpKey(const std::string& lower) { return lower == "help" || lower == "html help"; }

const Member kMembers[] = {
    {2, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", Walk::Flat,
     RecordKey::TheKey, nullptr, nullptr},
    {3, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", Walk::Flat,
     RecordKey::TheKey, nullptr, nullptr},
    {4, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows", Walk::SubKeys, RecordKey::SubKeyLowerCased, IsHelpKey,
     nullptr},
    {5, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", Walk::SubKeys,
     RecordKey::SubKeyLowerCased, nullptr,
     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
    {6, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools", Walk::SubKeys, RecordKey::SubKeyAsEnumerated,
     nullptr, nullptr},
    {7, nullptr, Walk::Flat, RecordKey::TheKey, nullptr, nullptr},
    {8, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run", Walk::Flat, RecordKey::TheKey,
     nullptr, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
    {9, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Uninstall", Walk::SubKeys,
     RecordKey::SubKeyLowerCased, nullptr,
     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
};

const Member& MemberFor(int number) {
    for (const Member& m : kMembers)
        if (m.number == number) return m;
    return kMembers[0];
}

class FileRefScan {
public:
    FileRefScan(CRegistryLib& lib, const Member& member)
        : member_(member), scan_(lib, kRegistryCategories[member.number - 1]) {
        keyPath_ = member.keyPath ? member.keyPath : FontsKeyPath(lib.Is9x());
    }

    void Run(SummaryList& summaries) {
        if (scan_.StoppedOnEntry()) return;
        std::vector<ViewedKey> views = OpenKeyViews(keyPath_, scan_.Lib().ScannedViews());
        if (member_.walk == Walk::SubKeys)
            for (const ViewedKey& view : views)
                if (!CanQueryKey(view.key.get())) return;
        // The current user's key follows the machine's, under its own name, so a record names the
        // hive its fix changes. It is walked only where it can be read: the user's key missing or
        // unreadable takes nothing from the machine-wide scan.
        if (member_.userKeyPath)
            for (ViewedKey& view : OpenKeyViews(member_.userKeyPath, scan_.Lib().ScannedViews()))
                if (member_.walk == Walk::Flat || CanQueryKey(view.key.get())) views.push_back(std::move(view));
        for (const ViewedKey& view : views) {
            scan_.SetNativeFiles(view.nativeFiles);
            const HKEY root = view.key.get();
            if (member_.walk == Walk::Flat) {
                VisitEntries(root, view.path);
            } else {
                ForEachSubKey(root, scan_, [&](const std::string& name, bool exact) {
                    VisitSubKey(root, view.path, name, exact);
                });
            }
        }
        scan_.AppendSummary(summaries);
    }

private:
    void VisitSubKey(HKEY root, const std::string& rootPath, const std::string& name, bool exact) {
        const std::string lower = tw::ToLower(name, tw::IsAnsiLeadByte);
        if (member_.wantsSubKey && (!exact || !member_.wantsSubKey(lower))) return;
        if (!exact) {
            // A key the code page cannot name cannot be opened, reported or removed by that name.
            scan_.CountExamined();
            return;
        }
        tw::UniqueHKey sub;
        if (CRegistryLib::OpenSubKey(root, name, sub.put()) != ERROR_SUCCESS) return;
        const std::string& recordName = member_.recordKey == RecordKey::SubKeyLowerCased ? lower : name;
        VisitEntries(sub.get(), rootPath + "\\" + recordName);
    }

    // The entry loop. A stop ends it; the walk's own stop test then ends the walk.
    void VisitEntries(HKEY key, const std::string& recordKeyPath) {
        std::vector<RegValueEntry> values;
        CRegistryLib::ListValues(key, values);
        CRegistryLib& lib = scan_.Lib();
        for (const RegValueEntry& entry : values) {
            if (scan_.StopRequested()) return;
            scan_.CountExamined();
            EntryDecision d = DecideEntry(member_.number, entry, scan_.Environment());
            if (d.kind == EntryDecision::Skip) continue;
            lib.SetCurrentItem(d.path);
            if (d.kind == EntryDecision::Test && scan_.IsMissing(d.path, recordKeyPath, entry))
                scan_.Report(recordKeyPath, entry, d.path);
            scan_.Progress(d.path);
        }
    }

    static std::string FontsKeyPath(bool is9x) {
        return is9x ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"
                    : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    }

    const Member& member_;
    CategoryScan scan_;
    std::string keyPath_;
};

void RunMember(CRegistryLib& lib, int number, SummaryList& summaries) {
    FileRefScan(lib, MemberFor(number)).Run(summaries);
}

}  // namespace

void CRegistryLib::ScanSharedFiles(SummaryList& s) { RunMember(*this, 2, s); }
void CRegistryLib::ScanDrivers(SummaryList& s) { RunMember(*this, 3, s); }
void CRegistryLib::ScanHelpFiles(SummaryList& s) { RunMember(*this, 4, s); }
void CRegistryLib::ScanAppPaths(SummaryList& s) { RunMember(*this, 5, s); }
void CRegistryLib::ScanSharedTools(SummaryList& s) { RunMember(*this, 6, s); }
void CRegistryLib::ScanFonts(SummaryList& s) { RunMember(*this, 7, s); }
void CRegistryLib::ScanStartup(SummaryList& s) { RunMember(*this, 8, s); }
void CRegistryLib::ScanUninstall(SummaryList& s) { RunMember(*this, 9, s); }

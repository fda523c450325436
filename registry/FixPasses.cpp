// Removing what a scan found: five passes over the error list, each removal written into the
// snapshot file first.
#include "platform/Text.h"
#include "registry/Categories.h"
#include "registry/RegistryLib.h"
#include "xml/XmlWriter.h"

#include <map>
#include <vector>

namespace {

struct FixPass {
    const char* keyText;    // progress text for "KEY" records
    const char* valueText;  // progress text for the others
    const char* category;   // records taken: upper-cased category equal to this; null: every record
    bool announceFirst;     // the progress call comes before the removal of a key
    bool backslashes;       // the progress item of a value joins its parts with backslashes
};

// Every record is taken by the class pass, which is the one that removes it; the later passes
// meet keys and values that are already gone. The shared tool pass compares with "SHAREDTOOL",
// which the "SharedTools" category never equals.
const FixPass kPasses[] = {
    {"Fixing CLSID ", "Fixing CLSID ", nullptr, false, false},
    {"Fixing Help Files ", "Fixing Help Files ", nullptr, false, true},
    {"Fixing fonts ", "Fixing fonts ", "FONT", false, false},
    {"Fixing Shared tools ", "Fixing Shared Tools ", "SHAREDTOOL", true, false},
    {"Fixing Shared files ", "Fixing Shared files ", "SHAREDFILE", false, false},
};

// What became of one record over all passes: removed by one of them, refused with access denied
// (and never removed), or neither.
enum class Outcome { None, Removed, Denied };

}  // namespace

void CRegistryLib::FixAll(SummaryList& summaries, const std::string& snapshotFile) {
    snapshot_.Close();
    snapshot_.SetIndent(0);
    snapshot_.SetFileName(snapshotFile);
    XmlElement("registry").WriteStart(snapshot_, +1, true, true);
    // A record is counted once, in the summary of its own category, however many passes meet it.
    std::vector<Outcome> outcomes(errors_.size(), Outcome::None);
    for (const FixPass& pass : kPasses) {
        for (std::size_t i = 0; i < errors_.size(); ++i) {
            const ErrorRecord& record = errors_[i];
            if (pass.category && tw::ToUpper(record.Category()) != pass.category) continue;
            LONG rc = FixRecord(record, pass.keyText, pass.valueText, pass.announceFirst, pass.backslashes);
            if (rc == ERROR_SUCCESS)
                outcomes[i] = Outcome::Removed;
            else if (rc == ERROR_ACCESS_DENIED && outcomes[i] == Outcome::None)
                outcomes[i] = Outcome::Denied;
        }
    }
    std::map<std::string, std::int32_t> fixed;  // by summary title, every registry category
    for (const CategoryInfo& c : kRegistryCategories) fixed[c.summaryTitle] = 0;
    for (std::size_t i = 0; i < errors_.size(); ++i) {
        const CategoryInfo* category = FindCategory(errors_[i].Category());
        if (!category || outcomes[i] == Outcome::None) continue;
        fixed[category->summaryTitle] += outcomes[i] == Outcome::Removed ? 1 : -1;
    }
    for (CategorySummary& s : summaries) {
        auto it = fixed.find(s.title);
        if (it != fixed.end()) s.fixed = it->second;
    }
    XmlElement("registry").WriteEnd(snapshot_, -1, true, true);
    snapshot_.Close();
    DeleteFileA(snapshotFile.c_str());
}

LONG CRegistryLib::FixRecord(const ErrorRecord& record, const char* keyText, const char* valueText,
                             bool announceFirst, bool backslashes) {
    std::string rest = record.KeyPath();
    const std::string root = SeperateMainKey(rest);
    if (record.FixKind() == "KEY") {
        SnapshotPath(snapshot_, record.KeyPath(), nullptr);
        const std::string item = root + "\n" + rest;
        if (announceFirst && progress_) progress_(item, keyText, 0, 0);
        LONG rc = DeleteKey(root, rest);
        if (!announceFirst && progress_) progress_(item, keyText, 0, 0);
        return rc;
    }
    // A value record always names its value; without one there is nothing safe to remove (an empty
    // name would mean the key's default value).
    const RegValueEntry* value = record.Value();
    if (!value) return ERROR_INVALID_PARAMETER;
    SnapshotPath(snapshot_, record.KeyPath(), value);
    const char* sep = backslashes ? "\\" : "\n";
    if (progress_) progress_(root + sep + rest + sep + value->name, valueText, 0, 0);
    return DeleteValue(root, rest, value->name);
}

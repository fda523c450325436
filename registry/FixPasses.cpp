// Removing what a scan found: five passes over the error list, each removal written into the
// snapshot file first.
#include "platform/Handles.h"
#include "platform/SafeFile.h"
#include "platform/Text.h"
#include "platform/Wow64.h"
#include "registry/Categories.h"
#include "registry/FixProgress.h"
#include "registry/RegistryLib.h"
#include "xml/XmlWriter.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
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
// (and never removed), left in place by its second look, found gone already, or none of these.
enum class Outcome { None, Removed, Denied, Left, Gone };

bool NotFound(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

// Each category's summary gets the records removed (a refused removal counts -1), once each.
void CountFixed(const ErrorList& errors, const std::vector<Outcome>& outcomes, SummaryList& summaries) {
    std::map<std::string, std::int32_t> fixed;  // by summary title, every registry category
    for (const CategoryInfo& c : kRegistryCategories) fixed[c.summaryTitle] = 0;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        const CategoryInfo* category = FindCategory(errors[i].Category());
        if (!category || (outcomes[i] != Outcome::Removed && outcomes[i] != Outcome::Denied)) continue;
        fixed[category->summaryTitle] += outcomes[i] == Outcome::Removed ? 1 : -1;
    }
    for (CategorySummary& s : summaries) {
        auto it = fixed.find(s.title);
        if (it != fixed.end()) s.fixed = it->second;
    }
}

// Opens the key a record names with the access its removal asks for (which changes nothing) and,
// for a value record, looks up its value ("(Default)" is the unnamed one, as listings name it):
// ERROR_SUCCESS when the removal would find what it removes, else the error it would meet first.
LONG RemovalWouldFind(const ErrorRecord& record) {
    std::string rest = record.KeyPath();
    const std::string rootName = CRegistryLib::SeperateMainKey(rest);
    HKEY root = CRegistryLib::RecordRoot(rootName, rest);  // where the removal would go
    if (!root) return ERROR_FILE_NOT_FOUND;
    const bool isKey = record.FixKind() == "KEY";
    const REGSAM access = isKey ? DELETE | KEY_ENUMERATE_SUB_KEYS : KEY_SET_VALUE | KEY_QUERY_VALUE;
    tw::UniqueHKey key;
    LONG rc = RegOpenKeyExA(root, rest.c_str(), 0, access | tw::PhysicalKeyView(), key.put());
    if (rc != ERROR_SUCCESS || isKey) return rc;
    const std::string& name = record.Value()->name;
    return RegQueryValueExA(key.get(), name == "(Default)" ? "" : name.c_str(), nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

// The second look at a record's file just before its removal: the scan may be hours old, and a
// program reinstalled or a disk plugged in since then makes its entries sound again. A "KEY" record
// also looks at the records its key holds, since removing the key removes them too.
class CRegistryLib::Retest {
public:
    explicit Retest(CRegistryLib& lib) : lib_(lib) {
        const ErrorList& errors = lib_.errors_;
        for (std::size_t row = 0; row < errors.size(); ++row)
            if (!errors[row].KeyPath().empty() && !errors[row].TestedPath().empty())
                byKey_.emplace_back(tw::ToLower(errors[row].KeyPath()), row);
        std::sort(byKey_.begin(), byKey_.end());
    }

    // Why the record must stay, or nothing when it may go.
    std::optional<LeftReason> Keeps(std::size_t row) {
        const ErrorRecord& record = lib_.errors_[row];
        if (record.TestedPath().empty()) return std::nullopt;
        if (FileState own = Test(record); own != FileState::Missing)
            return own == FileState::Present ? LeftReason::FileExistsNow : LeftReason::FileCannotBeChecked;
        if (record.FixKind() != "KEY") return std::nullopt;
        const std::string key = tw::ToLower(record.KeyPath());
        for (auto it = std::lower_bound(byKey_.begin(), byKey_.end(), std::make_pair(key, std::size_t{0}));
             it != byKey_.end() && it->first.compare(0, key.size(), key) == 0; ++it) {
            if (it->second == row || !IsKeyAtOrBelow(it->first, key)) continue;
            if (Test(lib_.errors_[it->second]) != FileState::Missing) return LeftReason::KeyHoldsExistingFile;
        }
        return std::nullopt;
    }

private:
    FileState Test(const ErrorRecord& r) { return lib_.TestFile(r.TestedPath(), r.TestedNative()); }

    CRegistryLib& lib_;
    std::vector<std::pair<std::string, std::size_t>> byKey_;  // lower-cased key path, row
};

void CRegistryLib::FixAll(SummaryList& summaries, const std::string& snapshotFile, FixProgress* progress) {
    snapshot_.Close();
    snapshot_.SetIndent(0);
    snapshot_.SetFileName(snapshotFile);
    // A new file, never one that lies under the name already: its name can be foreseen, and a
    // link planted under it must not be written through.
    snapshot_.SetOpener(tw::CreateOwnStream);
    XmlElement("registry").WriteStart(snapshot_, +1, true, true);
    // A record is counted once, in the summary of its own category, however many passes meet it.
    std::vector<Outcome> outcomes(errors_.size(), Outcome::None);
    std::vector<bool> looked(errors_.size(), false);  // tested again: once, before the first removal
    leftAtFix_.clear();
    probe_.Forget();  // drives plugged in or taken out since the scan count now
    Retest retest(*this);
    for (const FixPass& pass : kPasses) {
        for (std::size_t i = 0; i < errors_.size(); ++i) {
            const ErrorRecord& record = errors_[i];
            if (pass.category && tw::ToUpper(record.Category()) != pass.category) continue;
            if (outcomes[i] == Outcome::Left) continue;
            const bool first = !looked[i];
            const bool counted = first && progress && !record.KeyPath().empty();
            if (first) {
                looked[i] = true;
                std::optional<LeftReason> reason;
                if (retestAtFix_ && !record.KeyPath().empty()) reason = retest.Keeps(i);  // an empty path removes nothing
                if (reason) {
                    outcomes[i] = Outcome::Left;
                    leftAtFix_.push_back({i, *reason});
                    if (counted) progress->EntryDone();
                    continue;
                }
            }
            LONG rc = FixRecord(record, pass.keyText, pass.valueText, pass.announceFirst, pass.backslashes);
            if (rc == ERROR_SUCCESS)
                outcomes[i] = Outcome::Removed;
            else if (rc == ERROR_ACCESS_DENIED && (outcomes[i] == Outcome::None || outcomes[i] == Outcome::Gone))
                outcomes[i] = Outcome::Denied;
            else if (NotFound(rc) && outcomes[i] == Outcome::None && !record.KeyPath().empty())
                outcomes[i] = Outcome::Gone;
            if (counted) progress->EntryDone();
        }
    }
    goneAtFix_ = static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](Outcome o) {
        return o == Outcome::Removed || o == Outcome::Gone;
    }));
    CountFixed(errors_, outcomes, summaries);
    XmlElement("registry").WriteEnd(snapshot_, -1, true, true);
    // Only a snapshot this fix made is removed; a file that held the name before stays.
    const bool made = snapshot_.IsOpen();
    snapshot_.Close();
    if (made) tw::DeleteOwnFile(snapshotFile);
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

std::vector<CRegistryLib::PlannedFix> CRegistryLib::PlanFix(SummaryList& summaries) {
    // The class pass takes every record in list order and is the one that removes it; the later
    // passes only meet what it removed already, so one walk in that order tells it all.
    std::vector<PlannedFix> plan(errors_.size(), PlannedFix::Nothing);
    std::vector<Outcome> outcomes(errors_.size(), Outcome::None);
    std::vector<std::string> removedKeys;
    std::vector<std::pair<std::string, std::string>> removedValues;  // lower-cased key path, value name
    leftAtFix_.clear();
    probe_.Forget();
    Retest retest(*this);
    for (std::size_t i = 0; i < errors_.size(); ++i) {
        const ErrorRecord& record = errors_[i];
        if (record.KeyPath().empty()) continue;
        if (record.FixKind() != "KEY" && !record.Value()) continue;  // FixAll removes nothing for it
        if (std::optional<LeftReason> reason = retestAtFix_ ? retest.Keeps(i) : std::nullopt) {
            plan[i] = PlannedFix::Left;
            outcomes[i] = Outcome::Left;
            leftAtFix_.push_back({i, *reason});
            continue;
        }
        const bool isKey = record.FixKind() == "KEY";
        const std::pair<std::string, std::string> value{tw::ToLower(record.KeyPath()),
                                                        isKey ? "" : tw::ToLower(record.Value()->name)};
        const bool takenBefore =
            std::any_of(removedKeys.begin(), removedKeys.end(),
                        [&](const std::string& k) { return IsKeyAtOrBelow(record.KeyPath(), k); }) ||
            (!isKey && std::find(removedValues.begin(), removedValues.end(), value) != removedValues.end());
        const LONG rc = takenBefore ? ERROR_FILE_NOT_FOUND : RemovalWouldFind(record);
        if (NotFound(rc)) {
            plan[i] = PlannedFix::Gone;
            outcomes[i] = Outcome::Gone;
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            plan[i] = PlannedFix::Refused;
            if (rc == ERROR_ACCESS_DENIED) outcomes[i] = Outcome::Denied;
            continue;
        }
        plan[i] = PlannedFix::Remove;
        outcomes[i] = Outcome::Removed;
        if (isKey)
            removedKeys.push_back(record.KeyPath());
        else
            removedValues.push_back(value);
    }
    goneAtFix_ = static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](Outcome o) {
        return o == Outcome::Removed || o == Outcome::Gone;
    }));
    CountFixed(errors_, outcomes, summaries);
    return plan;
}

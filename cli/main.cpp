// tidewarp-cli: the scan engine from a console, for scripts and for machines with no desktop.
#include "app/FixFlow.h"
#include "app/ScanFlow.h"
#include "cli/BackupCommands.h"
#include "cli/Options.h"
#include "cli/Report.h"
#include "cli/StderrNotifier.h"
#include "log/LogFile.h"
#include "maintenance/Shortcut.h"
#include "platform/DllSearch.h"
#include "registry/Categories.h"
#include "xml/XmlReader.h"

#include "Version.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <algorithm>
#include <exception>
#include <set>

namespace {

// The progress line, redrawn at most five times a second and only on a console.
bool g_showProgress = false;
DWORD g_lastProgress = 0;

void ShowProgress(std::string item, std::string status, std::int32_t examined, std::int32_t found) {
    if (!g_showProgress) return;
    DWORD now = GetTickCount();
    if (now - g_lastProgress < 200) return;
    g_lastProgress = now;
    if (item.size() > 40) item = "..." + item.substr(item.size() - 37);
    std::fprintf(stderr, "\r%-22s %7d examined %5d found  %-40s", status.c_str(), static_cast<int>(examined),
                 static_cast<int>(found), item.c_str());
    std::fflush(stderr);
}

void EndProgress() {
    if (g_showProgress && g_lastProgress) std::fprintf(stderr, "\r%*s\r", 110, "");
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

// The report of a scan, a fix or a dry run in the form asked for: one line, JSON or text.
void PrintReport(const CliOptions& options, const ErrorList& errors, const SummaryList& summaries,
                 const ShortcutReport& shortcuts, const std::vector<UnreachableEntry>& unreachable,
                 const std::vector<LeftInPlace>* left = nullptr, const std::vector<PlannedAction>* actions = nullptr) {
    if (options.summary)
        Print(SummaryLine(summaries, shortcuts, actions != nullptr, &IsLeadByte, left && !actions ? left->size() : 0) + "\n");
    else if (options.json)
        Print(ScanReportJson(errors, summaries, shortcuts, unreachable, left, actions));
    else
        Print((actions ? PlannedActionsText(*actions) : std::string()) +
              ScanReportText(errors, summaries, shortcuts, unreachable, left));
}

// The shortcut part of a report; cleared entries (shortcuts the user keeps) are left out.
ShortcutReport MakeShortcutReport(const CShortcut& scanner, const ScanSelection& selection) {
    ShortcutReport report;
    report.scanned = selection.field[ScanSelection::kShortcuts] == -1;
    for (const std::string& path : scanner.Broken())
        if (!path.empty()) report.broken.push_back(path);
    report.examined = scanner.ExaminedCount();
    report.deleted = scanner.DeletedCount();
    return report;
}

// What the scan could not check, registry entries first, then shortcut links.
std::vector<UnreachableEntry> MakeUnreachable(const CRegistryLib& registry, const CShortcut& scanner) {
    std::vector<UnreachableEntry> list;
    for (const ErrorRecord& e : registry.Unreachable()) {
        UnreachableEntry u{e.Category(), e.KeyPath(), e.Value() != nullptr, {}, e.Item(), {}};
        if (e.Value()) u.valueName = e.Value()->name;
        list.push_back(std::move(u));
    }
    for (const CShortcut::UnreachableLink& link : scanner.Unreachable())
        list.push_back({kShortcutCategory, {}, false, {}, link.path, link.target});
    return list;
}

// The rows a fix left in place, with why, in result-list numbering (registry rows, then links).
// links: the broken-shortcut list as the scan left it (the fix clears the entries it keeps).
std::vector<LeftInPlace> MakeLeftInPlace(const FixResult& result, const ErrorList& found,
                                         const std::vector<std::string>& links) {
    std::vector<LeftInPlace> left;
    auto addRow = [&](std::size_t row, const char* reason) {
        if (row < found.size())
            left.push_back({row, found[row].Category(), found[row].KeyPath(), found[row].Item(), reason});
    };
    for (std::size_t row : result.leftForKeptEntries) addRow(row, "its key holds an entry that is kept");
    for (const CRegistryLib::LeftRecord& l : result.leftByRetest) {
        switch (l.reason) {
            case CRegistryLib::LeftReason::FileExistsNow:
                addRow(l.row, "its file exists now");
                break;
            case CRegistryLib::LeftReason::FileCannotBeChecked:
                addRow(l.row, "its file cannot be checked now (not on a local fixed drive)");
                break;
            case CRegistryLib::LeftReason::KeyHoldsExistingFile:
                addRow(l.row, "its key holds an entry whose file exists now or cannot be checked");
                break;
        }
    }
    auto addLink = [&](std::size_t index, std::string reason) {
        if (index < links.size())
            left.push_back({found.size() + index, kShortcutCategory, {}, links[index], std::move(reason)});
    };
    for (const FixResult::LinkLeft& l : result.linksLeftUnsaved) addLink(l.index, l.reason);
    for (const CShortcut::LeftLink& l : result.linksLeftByRetest)
        addLink(l.index, l.replaced                       ? "its path no longer leads to the file the scan found"
                         : l.changed                      ? "it changed after the backup copied it"
                         : l.state == FileState::Present ? "its target exists now"
                                                         : "its target cannot be checked now (not on a local fixed drive)");
    return left;
}

// The scan both commands start with, with the progress line on a console.
void ScanWithProgress(const CliOptions& options, CRegistryLib& registry, CShortcut& scanner,
                      ScanSelection& selection, SummaryList& summaries) {
    g_showProgress = !options.json && _isatty(_fileno(stderr));
    registry.SetProgressCallback(&ShowProgress);
    scanner.SetProgressCallback(&ShowProgress);
    selection = options.selection;
    ScanFlow(registry, scanner).Scan(selection, summaries);
}

int RunScan(const CliOptions& options) {
    CRegistryLib registry;
    CShortcut scanner;
    ScanSelection selection;
    SummaryList summaries;
    ScanWithProgress(options, registry, scanner, selection, summaries);
    EndProgress();
    const ShortcutReport shortcuts = MakeShortcutReport(scanner, selection);
    const ErrorList& errors = registry.Errors();
    const std::vector<UnreachableEntry> unreachable = MakeUnreachable(registry, scanner);
    PrintReport(options, errors, summaries, shortcuts, unreachable);
    return errors.empty() && shortcuts.broken.empty() ? 0 : 1;
}

// Every row checked but those whose item the user keeps.
FixRequest KeepRequest(const CliOptions& options, const ErrorList& found, const CShortcut& scanner) {
    FixRequest request;
    for (const ErrorRecord& e : found) request.registryChecked.push_back(!KeepsItem(options.keep, e.Item()));
    for (const std::string& path : scanner.Broken()) request.shortcutChecked.push_back(!KeepsItem(options.keep, path));
    return request;
}

// The scan a fix or a dry run starts with, and what the report needs of it before the fix changes
// the lists: the report shows what the scan found, kept items included (the fix blanks their key
// paths and clears their links).
struct FixScan {
    CRegistryLib registry;
    CShortcut scanner;
    ScanSelection selection;
    SummaryList summaries;
    ErrorList found;
    FixRequest request;
    ShortcutReport shortcutsFound;
    std::vector<std::string> linksFound;

    explicit FixScan(const CliOptions& options, tw::Notifier* notifier = nullptr) {
        if (notifier) registry.SetNotifier(notifier);
        ScanWithProgress(options, registry, scanner, selection, summaries);
        found = registry.Errors();
        request = KeepRequest(options, found, scanner);
        shortcutsFound = MakeShortcutReport(scanner, selection);
        linksFound = scanner.Broken();
    }
};

// What the dry run says of each row: rows left in place with their reason first, then the plan.
std::vector<PlannedAction> MakeActions(const FixFlow::FixPlan& plan, const FixRequest& request,
                                       const ErrorList& found, const std::vector<std::string>& links,
                                       const std::vector<LeftInPlace>& left) {
    std::vector<PlannedAction> actions;
    auto reasonLeft = [&](std::size_t row) -> const LeftInPlace* {
        for (const LeftInPlace& l : left)
            if (l.row == row) return &l;
        return nullptr;
    };
    for (std::size_t row = 0; row < found.size(); ++row) {
        const ErrorRecord& e = found[row];
        PlannedAction a{row, e.Category(), e.KeyPath(), {}, e.Item(), {}, {}};
        const CRegistryLib::PlannedFix p =
            row < plan.registry.size() ? plan.registry[row] : CRegistryLib::PlannedFix::Nothing;
        if (!request.registryChecked[row]) {
            a.action = "keep";
            a.reason = "kept (--keep): it goes to the ignore list";
        } else if (const LeftInPlace* l = reasonLeft(row)) {
            a.action = "leave";
            a.reason = l->reason;
        } else if (p == CRegistryLib::PlannedFix::Remove) {
            a.action = e.FixKind() == "KEY" ? "remove_key" : "remove_value";
            if (e.Value()) a.valueName = e.Value()->name;
        } else if (p == CRegistryLib::PlannedFix::Gone) {
            a.action = "gone";
        } else if (p == CRegistryLib::PlannedFix::Refused) {
            a.action = "leave";
            a.reason = "the system refuses its removal (no access to its key)";
        } else {
            a.action = "leave";
            a.reason = "the backup cannot hold it whole";
        }
        actions.push_back(std::move(a));
    }
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (links[i].empty()) continue;
        const std::size_t row = found.size() + i;
        PlannedAction a{row, kShortcutCategory, {}, {}, links[i], {}, {}};
        const CShortcut::PlannedDelete p = i < plan.links.size() ? plan.links[i] : CShortcut::PlannedDelete::Nothing;
        if (!request.shortcutChecked[i]) {
            a.action = "keep";
            a.reason = "kept (--keep): it goes to the ignore list";
        } else if (const LeftInPlace* l = reasonLeft(row)) {
            a.action = "leave";
            a.reason = l->reason;
        } else {
            a.action = p == CShortcut::PlannedDelete::Delete ? "delete_link" : "gone";
        }
        actions.push_back(std::move(a));
    }
    return actions;
}

// fix --dry-run: the scan, then the fix's own path up to each removal, writing nothing.
int RunDryRun(const CliOptions& options) {
    FixScan s(options);
    FixFlow::FixPlan plan;
    const FixResult result = FixFlow(s.registry, &s.scanner).DryRun(s.request, s.summaries, plan);
    EndProgress();
    if (result.status == FixResult::Refused || result.status == FixResult::BackupFailed) {
        std::fprintf(stderr, "tidewarp-cli: fix would fail: %s\n", result.message.c_str());
        return 2;
    }
    s.shortcutsFound.deleted = static_cast<std::int32_t>(
        std::count(plan.links.begin(), plan.links.end(), CShortcut::PlannedDelete::Delete));
    const std::vector<LeftInPlace> left = MakeLeftInPlace(result, s.found, s.linksFound);
    const std::vector<PlannedAction> actions = MakeActions(plan, s.request, s.found, s.linksFound, left);
    PrintReport(options, s.found, s.summaries, s.shortcutsFound, MakeUnreachable(s.registry, s.scanner), &left, &actions);
    return s.found.empty() && s.shortcutsFound.broken.empty() ? 0 : 1;
}

// Scans, then removes everything found except the items the user keeps, backing up first.
int RunFix(const CliOptions& options) {
    if (options.dryRun) return RunDryRun(options);
    if (RepairRefused()) return 2;
    StderrNotifier notifier;
    FixScan s(options, &notifier);
    const FixResult result = FixFlow(s.registry, &s.scanner).Fix(s.request, s.summaries);
    EndProgress();
    if (result.ignoreListError)
        std::fprintf(stderr, "tidewarp-cli: could not save %s (error %ld); kept items may be reported again\n",
                     kIgnoreFileName, result.ignoreListError);
    switch (result.status) {
        case FixResult::BackupFailed:
        case FixResult::Stopped:
        case FixResult::Refused:
            std::fprintf(stderr, "tidewarp-cli: %s\n", result.message.c_str());
            return 2;
        case FixResult::NothingToFix:
        case FixResult::Done:
            break;
    }
    if (result.leftUnsaved)
        std::fprintf(stderr, "tidewarp-cli: %d entr%s left in place: the backup could not hold %s whole\n",
                     result.leftUnsaved, result.leftUnsaved == 1 ? "y" : "ies", result.leftUnsaved == 1 ? "it" : "them");
    if (!options.json && !options.summary && !result.backupPath.empty())
        std::printf("Backup: %s\n", result.backupPath.c_str());
    s.shortcutsFound.deleted = s.scanner.DeletedCount();
    const std::vector<LeftInPlace> left = MakeLeftInPlace(result, s.found, s.linksFound);
    const std::vector<UnreachableEntry> unreachable = MakeUnreachable(s.registry, s.scanner);
    PrintReport(options, s.found, s.summaries, s.shortcutsFound, unreachable, &left);
    // A removal that left entries in place has not done what was asked: a caller checking only the
    // exit code (a remediation script, a scheduled task) must not read it as success.
    return left.empty() ? 0 : 1;
}

// Applies a snapshot file; messages about keys and values it cannot write go to stderr.
int RunRestoreXml(const CliOptions& options) {
    if (RepairRefused()) return 2;
    if (GetFileAttributesA(options.backupFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "tidewarp-cli: cannot find %s\n", options.backupFile.c_str());
        return 2;
    }
    StderrNotifier notifier;
    CRegistryLib registry;
    registry.SetNotifier(&notifier);
    XmlReader reader;
    if (!registry.RestoreFromXml(reader, options.backupFile)) {
        std::fprintf(stderr, "tidewarp-cli: the snapshot was not applied completely\n");
        return 2;
    }
    std::printf("Applied %s\n", options.backupFile.c_str());
    return 0;
}

int RunIgnoreList(const CliOptions& options) {
    CRegistryLib registry;
    Print(options.json ? IgnoreListJson(registry.IgnoreList()) : IgnoreListText(registry.IgnoreList()));
    return 0;
}

int RunIgnoreRemove(const CliOptions& options) {
    CRegistryLib registry;
    ErrorList& list = registry.IgnoreList();
    std::set<std::size_t> rows(options.indices.begin(), options.indices.end());
    for (std::size_t row : rows) {
        if (row >= list.size()) {
            std::fprintf(stderr, "tidewarp-cli: there is no row %u (the ignore list has %u rows); nothing removed\n",
                         static_cast<unsigned>(row), static_cast<unsigned>(list.size()));
            return 2;
        }
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) list.erase(list.begin() + static_cast<long>(*it));
    if (LONG rc = registry.SaveIgnoreList()) {
        std::fprintf(stderr, "tidewarp-cli: could not save %s (error %ld); the list is unchanged\n", kIgnoreFileName,
                     static_cast<long>(rc));
        return 2;
    }
    std::printf("Removed %u row(s); %u left.\n", static_cast<unsigned>(rows.size()), static_cast<unsigned>(list.size()));
    return 0;
}

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        Print("tidewarp-cli " TW_VERSION "\n");
        return 0;
    }
    CliOptions options;
    std::string error;
    if (!ParseCommandLine(args, options, error)) {
        std::fprintf(stderr, "tidewarp-cli: %s\nTry 'tidewarp-cli --help'.\n", error.c_str());
        return 2;
    }
    switch (options.command) {
        case CliOptions::Command::Help:
            Print(kCliUsage);
            return 0;
        case CliOptions::Command::Scan:
            return RunScan(options);
        case CliOptions::Command::Fix:
            return RunFix(options);
        case CliOptions::Command::RestoreXml:
            return RunRestoreXml(options);
        case CliOptions::Command::IgnoreList:
            return RunIgnoreList(options);
        case CliOptions::Command::IgnoreRemove:
            return RunIgnoreRemove(options);
        case CliOptions::Command::Backups:
            return RunBackups(options);
        case CliOptions::Command::Restore:
            return RunRestore(options);
        case CliOptions::Command::ExportReg:
            return RunExportReg(options);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Scripts may run it elevated from a folder others can write to: no DLL from beside it.
    tw::RestrictDllSearch();
    // Failures are reported on stderr; the console program never shows a message box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    LogFile::Instance();  // the dormant log exists for the whole run; nothing opens it
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tidewarp-cli: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tidewarp-cli: unexpected failure\n");
    }
    return 2;
}

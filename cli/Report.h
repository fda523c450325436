// What the console program prints: scan results and the ignore list, as JSON or as text.
#pragma once

#include "registry/ErrorRecord.h"

class JsonWriter;

#include <string>
#include <vector>

// Every JSON document the console program prints opens with these two members, so that a script
// can tell which format and which program version wrote it.
constexpr char kReportSchema[] = "tidewarp-report/1";
// Opens a document's object and writes "schema" and "version".
void BeginReport(JsonWriter& w);

struct ShortcutReport {
    bool scanned = false;
    std::vector<std::string> broken;  // in walk order
    std::int32_t examined = 0;
    std::int32_t deleted = 0;
};

// A row that a fix left in place although it was to be removed, and why. Rows count as in the
// window's result list: the registry errors first, then the broken shortcuts.
struct LeftInPlace {
    std::size_t row;
    std::string category;
    std::string key;  // empty for a shortcut
    std::string item;
    std::string reason;
};

// An entry whose file the scan could not check (out of reach: not on a local fixed drive that is
// there now). Never reported as an error, never removed.
struct UnreachableEntry {
    std::string category;
    std::string key;        // empty for a shortcut
    bool hasValue = false;  // a registry value, named valueName
    std::string valueName;
    std::string item;    // the file tested; for a shortcut, the link
    std::string target;  // for a shortcut, the target it names
};

// What a fix would do with one row of the result list (a dry run): "remove_key", "remove_value",
// "delete_link", "gone" (nothing there to remove), "keep" (kept with --keep) or "leave" (see
// reason).
struct PlannedAction {
    std::size_t row;
    std::string category;
    std::string key;        // empty for a shortcut
    std::string valueName;  // "remove_value" only
    std::string item;
    std::string action;
    std::string reason;     // "keep" and "leave" only
};

// A fix passes the rows it left in place (an empty list included); a scan passes none, and its
// report has no such part.
// A dry run passes the actions as well (with the rows it would leave in place).
std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable,
                           const std::vector<LeftInPlace>* left = nullptr,
                           const std::vector<PlannedAction>* actions = nullptr);
// The text of a dry run: each action, one line each.
std::string PlannedActionsText(const std::vector<PlannedAction>& actions);

// One line for consoles that keep only the last one: "Tidewarp VERSION: N found (TITLE n, ...);
// M removed" (a scan: 0 removed; a dry run: "M would be removed, nothing changed (dry run)"), and
// "; K left in place" after a fix that left some; categories that found nothing are left out. At most kSummaryMax bytes, cut short with "..."
// where needed, never inside a double-byte character (isLeadByte tells the code page's lead bytes).
constexpr std::size_t kSummaryMax = 2048;
std::string SummaryLine(const SummaryList& summaries, const ShortcutReport& shortcuts, bool dryRun,
                        bool (*isLeadByte)(unsigned char), std::size_t leftInPlace = 0);
// Cuts text to at most max bytes (max >= 3), ending it with "..." when it was longer.
std::string CutAtCharacter(const std::string& text, std::size_t max, bool (*isLeadByte)(unsigned char));
std::string ScanReportText(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable,
                           const std::vector<LeftInPlace>* left = nullptr);

std::string IgnoreListJson(const ErrorList& ignored);
std::string IgnoreListText(const ErrorList& ignored);

#include "cli/Report.h"

#include "cli/Json.h"

#include <cstdio>

namespace {

std::string Format(const char* fmt, const std::string& a, std::int32_t x, std::int32_t y, std::int32_t z) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a.c_str(), static_cast<int>(x), static_cast<int>(y), static_cast<int>(z));
    return buf;
}

}  // namespace

void BeginReport(JsonWriter& w) {
    w.BeginObject().Key("schema").String(kReportSchema).Key("version").String(TW_REPORT_VERSION);
}

std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable, const std::vector<LeftInPlace>* left,
                           const std::vector<PlannedAction>* actions) {
    JsonWriter w;
    BeginReport(w);
    if (actions) w.Key("dry_run").Bool(true);
    w.Key("errors").BeginArray();
    for (const ErrorRecord& e : errors) {
        w.BeginObject();
        w.Key("category").String(e.Category());
        w.Key("key").String(e.KeyPath());
        w.Key("value");
        if (const RegValueEntry* v = e.Value()) {
            w.BeginObject();
            w.Key("name").String(v->name);
            w.Key("text").String(v->text);
            w.Key("type").Number(v->type);
            w.EndObject();
        } else {
            w.Null();
        }
        w.Key("fix").String(e.FixKind());
        w.Key("item").String(e.Item());
        w.EndObject();
    }
    w.EndArray();
    w.Key("shortcuts").BeginArray();
    for (const std::string& s : shortcuts.broken) w.String(s);
    w.EndArray();
    w.Key("shortcut_counts").BeginObject();
    w.Key("examined").Number(shortcuts.examined);
    w.Key("broken").Number(static_cast<std::int64_t>(shortcuts.broken.size()));
    w.Key("deleted").Number(shortcuts.deleted);
    w.EndObject();
    w.Key("unreachable").BeginArray();
    for (const UnreachableEntry& u : unreachable) {
        w.BeginObject();
        w.Key("category").String(u.category);
        w.Key("key").String(u.key);
        w.Key("value_name");
        if (u.hasValue)
            w.String(u.valueName);
        else
            w.Null();
        w.Key("item").String(u.item);
        if (!u.target.empty()) w.Key("target").String(u.target);
        w.EndObject();
    }
    w.EndArray();
    if (left) {
        w.Key("left_in_place").BeginArray();
        for (const LeftInPlace& l : *left) {
            w.BeginObject();
            w.Key("row").Number(static_cast<std::int64_t>(l.row));
            w.Key("category").String(l.category);
            w.Key("key").String(l.key);
            w.Key("item").String(l.item);
            w.Key("reason").String(l.reason);
            w.EndObject();
        }
        w.EndArray();
    }
    if (actions) {
        w.Key("actions").BeginArray();
        for (const PlannedAction& a : *actions) {
            w.BeginObject();
            w.Key("row").Number(static_cast<std::int64_t>(a.row));
            w.Key("category").String(a.category);
            w.Key("key").String(a.key);
            w.Key("value_name");
            if (a.action == "remove_value")
                w.String(a.valueName);
            else
                w.Null();
            w.Key("item").String(a.item);
            w.Key("action").String(a.action);
            if (!a.reason.empty()) w.Key("reason").String(a.reason);
            w.EndObject();
        }
        w.EndArray();
    }
    w.Key("summaries").BeginArray();
    for (const CategorySummary& s : summaries) {
        w.BeginObject();
        w.Key("title").String(s.title);
        w.Key("examined").Number(s.examined);
        w.Key("found").Number(s.found);
        w.Key("fixed").Number(s.fixed);
        w.EndObject();
    }
    w.EndArray().EndObject();
    return w.Text() + "\n";
}

std::string ScanReportText(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable, const std::vector<LeftInPlace>* left) {
    std::string out;
    out += "Registry errors: " + std::to_string(errors.size()) + "\n";
    for (const ErrorRecord& e : errors) {
        out += "  [" + e.Category() + "] " + e.Item() + "\n";
        out += "      " + e.KeyPath();
        if (e.FixKind() == "VAL" && e.Value()) out += "  value \"" + e.Value()->name + "\"";
        out += e.FixKind() == "KEY" ? "  (whole key)\n" : "\n";
    }
    if (left && !left->empty()) {
        out += "\nLeft in place: " + std::to_string(left->size()) + "\n";
        for (const LeftInPlace& l : *left) out += "  [" + l.category + "] " + l.item + ": " + l.reason + "\n";
    }
    if (!unreachable.empty())
        out += "\nNot checked (not on a local fixed drive, never reported or removed): " +
               std::to_string(unreachable.size()) + "\n";
    if (!summaries.empty()) {
        out += "\nCategory summaries:\n";
        for (const CategorySummary& s : summaries)
            out += Format("  %-26s examined %6d   found %5d   fixed %5d\n", s.title, s.examined, s.found, s.fixed);
    }
    if (shortcuts.scanned) {
        out += "\nBroken shortcuts: " + std::to_string(shortcuts.broken.size()) + " of " +
               std::to_string(shortcuts.examined) + " examined";
        if (shortcuts.deleted) out += ", " + std::to_string(shortcuts.deleted) + " deleted";
        out += "\n";
        for (const std::string& s : shortcuts.broken) out += "  " + s + "\n";
    }
    return out;
}

std::string PlannedActionsText(const std::vector<PlannedAction>& actions) {
    std::string out = "Dry run: fix would do this; nothing was changed.\n";
    for (const PlannedAction& a : actions) {
        out += "  " + std::to_string(a.row) + "\t[" + a.category + "] " + a.item + "\n      ";
        if (a.action == "remove_key")
            out += "remove the whole key " + a.key;
        else if (a.action == "remove_value")
            out += "remove the value \"" + a.valueName + "\" of " + a.key;
        else if (a.action == "delete_link")
            out += "delete the shortcut file";
        else if (a.action == "gone")
            out += "nothing to remove: it is gone already or goes with a key removed before it";
        else
            out += (a.action == "keep" ? "keep: " : "leave in place: ") + a.reason;
        out += "\n";
    }
    return out + "\n";
}

std::string CutAtCharacter(const std::string& text, std::size_t max, bool (*isLeadByte)(unsigned char)) {
    if (text.size() <= max) return text;
    const std::size_t room = max - 3;
    std::size_t end = 0;  // the end of the last whole character that fits
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + width > room) break;
        i += width;
        end = i;
    }
    return text.substr(0, end) + "...";
}

std::string SummaryLine(const SummaryList& summaries, const ShortcutReport& shortcuts, bool dryRun,
                        bool (*isLeadByte)(unsigned char), std::size_t leftInPlace) {
    std::int64_t found = 0, removed = 0;
    std::string parts;
    auto add = [&](const std::string& title, std::int64_t n) {
        if (n <= 0) return;
        found += n;
        parts += (parts.empty() ? "" : ", ") + title + " " + std::to_string(n);
    };
    for (const CategorySummary& s : summaries) {
        add(s.title, s.found);
        removed += s.fixed;
    }
    if (shortcuts.scanned) add("Broken Shortcuts", static_cast<std::int64_t>(shortcuts.broken.size()));
    removed += shortcuts.deleted;
    std::string line = std::string("Tidewarp ") + TW_REPORT_VERSION + ": " + std::to_string(found) + " found";
    if (!parts.empty()) line += " (" + parts + ")";
    if (dryRun)
        line += "; " + std::to_string(removed) + " would be removed, nothing changed (dry run)";
    else
        line += "; " + std::to_string(removed) + " removed";
    if (leftInPlace) line += "; " + std::to_string(leftInPlace) + " left in place";
    return CutAtCharacter(line, kSummaryMax, isLeadByte);
}

std::string IgnoreListJson(const ErrorList& ignored) {
    JsonWriter w;
    BeginReport(w);
    w.Key("ignored").BeginArray();
    for (std::size_t i = 0; i < ignored.size(); ++i) {
        w.BeginObject();
        w.Key("index").Number(static_cast<std::int64_t>(i));
        w.Key("category").String(ignored[i].Category());
        w.Key("item").String(ignored[i].Item());
        w.EndObject();
    }
    w.EndArray().EndObject();
    return w.Text() + "\n";
}

std::string IgnoreListText(const ErrorList& ignored) {
    if (ignored.empty()) return "The ignore list is empty.\n";
    std::string out;
    for (std::size_t i = 0; i < ignored.size(); ++i)
        out += std::to_string(i) + "\t[" + ignored[i].Category() + "] " + ignored[i].Item() + "\n";
    return out;
}

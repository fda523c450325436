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

std::string ScanReportJson(const ErrorList& errors, const SummaryList& summaries, const ShortcutReport& shortcuts,
                           const std::vector<UnreachableEntry>& unreachable, const std::vector<LeftInPlace>* left) {
    JsonWriter w;
    w.BeginObject().Key("errors").BeginArray();
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

std::string IgnoreListJson(const ErrorList& ignored) {
    JsonWriter w;
    w.BeginObject().Key("ignored").BeginArray();
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

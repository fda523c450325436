#include "registry/FileRefRules.h"

#include "platform/Text.h"
#include "registry/PathRoot.h"

namespace {

constexpr char kDefaultName[] = "(Default)";
constexpr char kNotSet[] = "(value not set)";

EntryDecision Skipped() { return {}; }
EntryDecision Untested(std::string path) { return {EntryDecision::ProgressOnly, std::move(path)}; }
EntryDecision Tested(std::string path) { return {EntryDecision::Test, std::move(path)}; }

bool IsNotSet(const RegValueEntry& e) { return e.text == kNotSet; }

// Keeps the text up to and including the first ".exe", then the same with ".EXE".
std::string CutAfterExe(std::string t) {
    for (const char* ext : {".exe", ".EXE"}) {
        std::size_t pos = t.find(ext);
        if (pos != std::string::npos) t.resize(pos + 4);
    }
    return t;
}

EntryDecision SharedFileEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (e.name == kDefaultName || e.name == kNotSet) return Skipped();
    return Tested(CleanPath(e.name, CleanupVariant::SharedFile, env));  // the value's NAME is the file
}

EntryDecision DriverEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (IsNotSet(e)) return Skipped();
    // Drivers live in the system directory, wherever this system keeps it; a network or device
    // path names a place of its own.
    if (HasNetworkOrDeviceForm(e.text)) return Tested(e.text);
    return Tested(env.SystemDirectory() + "\\" + e.text);
}

EntryDecision HelpEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (IsNotSet(e)) return Skipped();
    return Tested(CleanHelpPath(e.text, e.name, env));
}

EntryDecision AppPathEntry(const RegValueEntry& e, const PathEnvironment&) {
    if (IsNotSet(e)) return Skipped();
    std::string t = tw::StripOuterQuotes(e.text);
    bool testable = tw::Contains(t, ":") && t.back() != '\\' && !tw::Contains(t, ";") && t.size() > 3;
    return testable ? Tested(t) : Untested(t);
}

EntryDecision SharedToolEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (tw::ToLower(tw::Trim(e.name)) != "path" || IsNotSet(e)) return Skipped();
    return Tested(CleanPath(e.text, CleanupVariant::SharedTool, env));
}

EntryDecision FontEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (IsNotSet(e)) return Skipped();
    return Tested(CleanPath(e.text, CleanupVariant::Font, env));
}

EntryDecision StartupEntry(const RegValueEntry& e, const PathEnvironment& env) {
    if (IsNotSet(e)) return Skipped();
    std::string t = CutAfterExe(CleanCommandText(e.text, env).path);
    if (!tw::Contains(t, ":") && !HasNetworkOrDeviceForm(t)) t = env.WindowsDirectory() + "\\" + t;
    t = tw::StripOuterQuotes(t);
    if (tw::Contains(t, "rundll32") || tw::Contains(t, "RunDll32") || t.size() <= 3) return Untested(t);
    return Tested(t);
}

EntryDecision UninstallEntry(const RegValueEntry& e, const PathEnvironment&) {
    if (IsNotSet(e) || e.name != "UninstallString") return Skipped();
    std::string t = tw::StripOuterQuotes(CutAfterExe(e.text));
    bool testable = tw::Contains(t, ":") && !t.empty() && t.back() != '\\' && !tw::Contains(t, ";") &&
                    !tw::Contains(t, "rundll32") && !tw::Contains(t, "RunDll32") && !tw::Contains(t, "\\regsvr32") &&
                    t.size() > 3;
    return testable ? Tested(t) : Untested(t);
}

EntryDecision Decide(int category, const RegValueEntry& e, const PathEnvironment& env) {
    switch (category) {
        case 2:
            return SharedFileEntry(e, env);
        case 3:
            return DriverEntry(e, env);
        case 4:
            return HelpEntry(e, env);
        case 5:
            return AppPathEntry(e, env);
        case 6:
            return SharedToolEntry(e, env);
        case 7:
            return FontEntry(e, env);
        case 8:
            return StartupEntry(e, env);
        case 9:
            return UninstallEntry(e, env);
        default:
            return {};
    }
}

}  // namespace

bool NamesFile(std::uint32_t type) { return type == 1 || type == 2; }

bool IsTestablePath(const std::string& path) {
    // The "\\?\" prefix of a device path is no character of a name.
    const std::size_t from = HasNetworkOrDeviceForm(path) && path.size() >= 4 && path[2] == '?' ? 4 : 0;
    return path.find('?', from) == std::string::npos;
}

EntryDecision DecideEntry(int category, const RegValueEntry& e, const PathEnvironment& env) {
    if (!e.exact) return Skipped();
    // Shared DLL counts name the file by the value's name; their data is a count.
    if (category != 2 && !NamesFile(e.type)) return Skipped();
    EntryDecision d = Decide(category, e, env);
    if (d.kind == EntryDecision::Test && !IsTestablePath(d.path)) d.kind = EntryDecision::ProgressOnly;
    return d;
}

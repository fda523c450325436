#include "registry/PathCleanup.h"

#include "platform/Text.h"
#include "registry/PathRoot.h"

namespace {

std::string CutAt(const std::string& text, const char* marker) {
    std::size_t pos = text.find(marker);
    if (pos != std::string::npos && pos > 0) return text.substr(0, pos);
    return text;
}

}  // namespace

CleanupResult CleanCommandText(const std::string& text, const PathEnvironment& env) {
    CleanupResult r;
    std::string t;
    t.reserve(text.size());
    for (char c : text)
        if (c != '"') t += c;
    t = CutAt(t, "/");
    t = CutAt(t, " -");
    std::size_t first = t.find('%');
    if (first != std::string::npos) {
        r.expanded = true;
        std::size_t second = t.find('%', first + 1);
        if (second != std::string::npos) {
            std::string piece = t.substr(first, second - first + 1);
            t = tw::ReplaceAll(t, piece, env.Expand(piece));
        }
    }
    r.path = std::move(t);
    return r;
}

std::string CleanPath(const std::string& text, CleanupVariant variant, const PathEnvironment& env) {
    if (variant == CleanupVariant::Help) return CleanHelpPath(text, std::string(), env);
    CleanupResult r = CleanCommandText(text, env);
    if (!r.expanded && r.path.find('\\') == std::string::npos && !HasNetworkOrDeviceForm(r.path)) {
        if (variant == CleanupVariant::Font)
            return env.WindowsDirectory() + "\\fonts\\" + r.path;
        return env.SystemDirectory() + "\\" + r.path;
    }
    return r.path;
}

std::string CleanHelpPath(const std::string& folderText, const std::string& valueName,
                          const PathEnvironment& env) {
    CleanupResult r = CleanCommandText(folderText, env);
    // One backslash between folder and name, whether or not the folder text ends in one.
    std::string path = r.path;
    if (!valueName.empty() && !path.empty() && path.back() != '\\') path += '\\';
    path += valueName;
    if (!r.expanded && r.path.find('\\') == std::string::npos && !HasNetworkOrDeviceForm(r.path))
        return env.SystemDirectory() + "\\" + path;
    return path;
}

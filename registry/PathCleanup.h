// Turning the text of a registry value into the file path it names.
#pragma once

#include <cstddef>
#include <string>

// What the cleanup needs from the system; the Windows build supplies the real services,
// tests supply fixed answers.
class PathEnvironment {
public:
    virtual ~PathEnvironment() = default;
    // ExpandEnvironmentStrings of a piece such as "%SystemRoot%"; undefined variables stay as they are.
    virtual std::string Expand(const std::string& piece) const = 0;
    virtual std::string SystemDirectory() const = 0;
    virtual std::string WindowsDirectory() const = 0;
};

enum class CleanupVariant { Class, Help, SharedTool, SharedFile, Font };

struct CleanupResult {
    std::string path;
    bool expanded = false;  // a "%" was found, so no default directory was put in front
};

// Steps 1 to 4: quotes removed, "/" and " -" options cut off, one environment variable expanded.
// An expansion is always taken whole; cutting a long one to a fixed buffer would test (and report)
// a path that is not the one the entry names.
CleanupResult CleanCommandText(const std::string& text, const PathEnvironment& env);

// The whole cleanup for a variant: steps 1 to 4, then a default directory in front of a bare name.
// The help variant is CleanHelpPath, as its value name is part of the path.
std::string CleanPath(const std::string& text, CleanupVariant variant, const PathEnvironment& env);

// Help files: the value's text is the folder and its name the file, joined with one backslash. A
// folder without any backslash (and no variable) lies in the system directory.
std::string CleanHelpPath(const std::string& folderText, const std::string& valueName,
                          const PathEnvironment& env);

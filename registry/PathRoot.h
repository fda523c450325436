// Which volume a file path lies on, told from its text alone: drive letters, UNC paths and the
// "\\?\" and "\\.\" device forms. Nothing here touches the file system, so a scan can decide that
// a path is out of reach (a network share, a device) before any call that could go to the network.
#pragma once

#include <string>
#include <string_view>

struct PathRoot {
    enum Kind {
        Relative,     // no root of its own: "app.exe", "dir\app.exe", "\dir\app.exe"
        DriveLetter,  // "C:", "C:x", "C:\x", "\\?\C:\x", "\\.\C:\x"
        Volume,       // "\\?\Volume{guid}\x"
        Unc,          // "\\server\share\x", "\\?\UNC\server\share\x"
        Device,       // any other device path: "\\.\PhysicalDrive0", "\\?\GLOBALROOT\...", "\\.\C:"
    } kind = Relative;
    // DriveLetter: "X:\" with the letter upper-cased; Volume: "\\?\Volume{guid}\"; otherwise empty.
    // This is the root a drive type is asked for.
    std::string root;
};

// Forward slashes count as backslashes, as they do for the system's path functions.
PathRoot RootOfPath(std::string_view path);

// Whether the path begins with two separators: a UNC path or a device path. Such a path names its
// own volume, so it is never a bare name to be looked for in a default folder.
bool HasNetworkOrDeviceForm(std::string_view path);

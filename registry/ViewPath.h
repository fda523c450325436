// Where a key of the 32-bit registry view really lies on 64-bit Windows: HKLM\Software\X under
// HKLM\Software\Wow6432Node\X, HKCR\X under HKCR\Wow6432Node\X, the current user's classes
// HKCU\Software\Classes\X under HKCU\Software\Classes\Wow6432Node\X.
#pragma once

#include "registry/PathCleanup.h"

#include <string>

// The physical path of the 32-bit view's key at a full registry path ("HKEY_LOCAL_MACHINE\..."),
// or an empty text for a path that is not redirected (other roots, keys outside Software, and paths
// already naming a Wow6432Node key).
std::string Wow6432NodePath(const std::string& fullPath);

// Where the registry editor shows a record's key. Records already name the physical key in either
// view (the 32-bit view's under its Wow6432Node path), so only a class record is moved: its
// HKEY_CLASSES_ROOT name means the machine-wide class, which the editor's HKEY_CLASSES_ROOT would
// show merged with (and hidden by) the current user's class of the same name.
std::string RegistryEditorPath(const std::string& recordPath);

// The environment as a 64-bit program expands it. A 32-bit program under WOW64 gets the 32-bit
// program folders for %ProgramFiles% and %CommonProgramFiles%; entries of the 64-bit registry view
// mean the 64-bit ones, which it finds in %ProgramW6432% and %CommonProgramW6432%. Where those are
// not defined (32-bit Windows), pieces expand as they always did.
class NativeProgramFolders : public PathEnvironment {
public:
    explicit NativeProgramFolders(const PathEnvironment& base) : base_(base) {}
    std::string Expand(const std::string& piece) const override;
    std::string SystemDirectory() const override { return base_.SystemDirectory(); }
    std::string WindowsDirectory() const override { return base_.WindowsDirectory(); }

private:
    const PathEnvironment& base_;
};

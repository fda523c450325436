// Which volume a path names, from its text alone: the forms a scan must not take for local files.
#include "doctest.h"

#include "registry/PathRoot.h"

TEST_CASE("path roots: drive letters, UNC paths, device paths and relative paths") {
    const auto R = PathRoot::Relative, D = PathRoot::DriveLetter, V = PathRoot::Volume, U = PathRoot::Unc,
               X = PathRoot::Device;
    const struct {
        const char* path;
        PathRoot::Kind kind;
        const char* root;
    } rows[] = {
        {"C:", D, "C:\\"},
        {"C:\\", D, "C:\\"},
        {"c:\\windows\\notepad.exe", D, "C:\\"},
        {"q:app.exe", D, "Q:\\"},  // drive-relative: still drive Q's business
        {"C:/x/y.dll", D, "C:\\"},
        {"\\\\?\\C:\\x", D, "C:\\"},
        {"\\\\.\\r:\\setup.exe", D, "R:\\"},
        {"//?/C:/x", D, "C:\\"},
        {"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\app.exe", V,
         "\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\"},
        {"\\\\?\\UNC\\h\\s", U, ""},
        {"\\\\?\\unc\\h\\s\\x.exe", U, ""},
        {"\\\\server\\share\\app.exe", U, ""},
        {"//host/share", U, ""},
        {"\\/host\\share", U, ""},
        {"\\\\server", U, ""},
        {"\\\\?x\\share", U, ""},  // a server named "?x", not a device path
        {"\\\\.\\PhysicalDrive0", X, ""},
        {"\\\\.\\C:", X, ""},  // the volume itself, not a file on it
        {"\\\\?\\C:", X, ""},
        {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x", X, ""},
        {"\\\\?\\UNC", X, ""},
        {"\\\\?\\", X, ""},
        {"\\\\?\\Volume{}", X, ""},
        {"", R, ""},
        {"C", R, ""},
        {"1:\\x", R, ""},
        {"app.exe", R, ""},
        {"system32\\app.dll", R, ""},
        {"\\windows\\app.exe", R, ""},
        {" C:\\x", R, ""},
        {"\\", R, ""},
    };
    for (const auto& row : rows) {
        CAPTURE(row.path);
        const PathRoot r = RootOfPath(row.path);
        CHECK(r.kind == row.kind);
        CHECK(r.root == row.root);
    }
}

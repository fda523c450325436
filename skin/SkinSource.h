// Where the skin description lives: the SKININI resource, written out as the skin file "profile"
// in the current directory while windows are built from it.
#pragma once

#include <windows.h>

#include <string>

extern const char kSkinFileName[];  // "profile"

// The skin file's full path: the directory of GetFullPathNameA(name), "\" and name.
std::string ResolveSkinFilePath(const std::string& name = kSkinFileName);

// The folder that holds the skin file, without a trailing backslash; image names resolve there.
std::string SkinDirectory(const std::string& skinFilePath);

// Skin directory, "\" and an image name of a skin line. Empty for a name that is not a bare file
// name: the loaders open no file and no built-in picture for it and give the missing picture.
std::string SkinImagePath(const std::string& skinFilePath, const std::string& imageName);

// Writes the custom description chosen by UseCustomSkin, or else the SKININI resource ("INI" type) of the module, to path, replacing the file. A missing
// resource writes nothing. A write that fails part-way removes the half-written file and returns
// false, so a truncated description is never read as if it were whole.
bool WriteSkinDescription(HMODULE module, const std::string& path);

// A skin of the user's own: "skin.ini" beside the program replaces the built-in description.
extern const char kCustomSkinName[];  // "skin.ini"
enum class CustomSkin { Absent, Used, Unusable };

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();

// Decides, for the skin files written from now on, between the custom description at path and the
// SKININI resource: the custom one is used when it can be read and has a MAINSCREENINFO section.
// Unusable: the file exists but cannot serve; the resource is used.
CustomSkin UseCustomSkin(const std::string& path);

// Keeps the description on disk for as long as one of these exists for a path: the first writes
// the file, the last deletes it. The main screen holds one while it builds; screens built later
// (the summary window's, on their own thread) take one again to read their sections.
class SkinDescriptionFile {
public:
    explicit SkinDescriptionFile(std::string path, HMODULE module = nullptr);
    ~SkinDescriptionFile();
    SkinDescriptionFile(const SkinDescriptionFile&) = delete;
    SkinDescriptionFile& operator=(const SkinDescriptionFile&) = delete;

    const std::string& Path() const { return path_; }
    // The file exists (the check the program makes before building a screen from it).
    bool Ready() const;

private:
    std::string path_;
};

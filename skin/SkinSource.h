// Where the skin description comes from: the SKININI resource, or a "skin.ini" of the user's own.
// It is read from memory and never written to the disk: the skin file "profile" in the current
// directory is only a name, whose folder is where the skin's pictures are looked for.
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

// The custom description chosen by UseCustomSkin, or else the SKININI resource ("INI" type) of the
// module. False, with text empty, when there is neither.
bool LoadSkinDescription(HMODULE module, std::string& text);

// A skin of the user's own: "skin.ini" beside the program replaces the built-in description.
extern const char kCustomSkinName[];  // "skin.ini"
enum class CustomSkin { Absent, Used, Unusable };

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();

// Decides, for the skin files written from now on, between the custom description at path and the
// SKININI resource: the custom one is used when it can be read and has a MAINSCREENINFO section.
// Unusable: the file exists but cannot serve; the resource is used.
CustomSkin UseCustomSkin(const std::string& path);

// The description as the screens read it: its text in memory, named by the skin file path.
class SkinDescription {
public:
    explicit SkinDescription(std::string path, HMODULE module = nullptr);

    // The skin file path; nothing is on the disk there.
    const std::string& Path() const { return path_; }
    const std::string& Text() const { return text_; }
    // The description could be had and the skin file's folder, where the pictures are looked for,
    // exists (the check the program makes before building a screen from it).
    bool Ready() const { return ready_; }

private:
    std::string path_;
    std::string text_;
    bool ready_ = false;
};

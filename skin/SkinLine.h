// The lines of a skin description: comma-separated fields read with C library number rules.
// No Windows here, so the host build tests it under the sanitizers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// left = x, top = y, right = x + w, bottom = y + h, in the owning window's client pixels.
struct SkinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const SkinRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Takes the text before the first comma of rest (blanks it had included) as the field and drops it
// and the comma from rest, then trims rest. Without a comma the whole trimmed rest is the field and
// rest becomes empty, so every later call yields an empty field.
std::string NextField(std::string& rest);

// Four fields x, y, w, h.
SkinRect ParseRect(std::string& rest);

// atoi / atol rules: leading blanks and a sign, digits up to the first non-digit, 0 without any.
// Values beyond the 32-bit range saturate instead of overflowing.
int NumberField(const std::string& field);
// A COLORREF written in decimal ("0l" reads as 0, black).
std::uint32_t ColourField(const std::string& field);
// True when the field starts with an upper-case "T".
bool FlagField(const std::string& field);

struct ButtonLine {
    std::string name;
    SkinRect rect;
    bool checkBox = false;
    std::string tooltip;  // used by the main screen only
};

// Text lines and edit lines share these eleven fields.
struct TextLine {
    std::string name;
    std::string face;
    bool bold = false;
    bool italic = false;
    int height = 0;  // a font height: negative asks for characters that many pixels high
    std::uint32_t colour = 0;
    SkinRect rect;
    std::string text;
};

struct ListColumn {
    std::string title;
    int width = 0;
};

struct ListLine {
    SkinRect rect;
    std::vector<ListColumn> columns;
};

// A page or screen: its name, the normal, over, down and disabled image names, its rectangle.
struct ScreenLine {
    std::string name;
    std::string images[4];
    SkinRect rect;
};

ButtonLine ParseButtonLine(std::string line);
TextLine ParseTextLine(std::string line);
ListLine ParseListLine(std::string line);
ScreenLine ParseScreenLine(std::string line);
// The "DIMENSION" value of an animation section; an empty value gives an empty rectangle.
SkinRect ParseDimension(std::string value);

// The resource name an image name maps to: the part after the last backslash, without the
// extension (from the last dot, unless that dot starts the name), ASCII letters in upper case.
// "main_normal.jpg" -> "MAIN_NORMAL"; "Autoscan_disabled.jpg " -> "AUTOSCAN_DISABLED".
std::string ImageResourceName(const std::string& path);

// A picture name of a skin is a bare file name: not empty, no '\\', '/' or ':', and not a name
// the file system reads as the folder itself or its parent ("..", ". ."), nor a device name
// ("CON", "nul.jpg", "COM1.gif"). Any other name is looked up nowhere.
bool IsBarePictureName(const std::string& name);

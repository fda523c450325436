// The skin description: reading sections as the private-profile functions do, the SKININI
// resource, and the shipped description's sections and fixed lines.
#include "doctest.h"

#include "platform/Files.h"
#include "skin/IniFile.h"
#include "skin/SkinLine.h"
#include "skin/SkinSource.h"
#include "skin_test_support.h"

#include <set>

using skintest::CurrentFolder;
using skintest::WriteFile;

namespace {

std::vector<std::string> SectionsInOrder(const std::string& text) {
    std::vector<std::string> sections;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') sections.push_back(line.substr(1, line.size() - 2));
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return sections;
}

std::string ResourceText(const char* name, const char* type) {
    HRSRC found = FindResourceA(nullptr, name, type);
    if (!found) return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

}  // namespace

TEST_CASE("numbered sections are read from key 1 up to the number of keys") {
    WriteFile("sections.ini",
              "[GAP]\r\n1=one\r\n2=two\r\n4=four\r\n"
              "[COMMENTS]\r\n; a comment\r\n;another=1\r\n1=a\r\n2=b\r\n"
              "[EMPTY2]\r\n1=x\r\n2=\r\n3=z\r\n"
              "[ORDER]\r\nzeta=1\r\nalpha=2\r\n");
    IniFile ini(CurrentFolder() + "\\sections.ini");
    CHECK(ReadNumberedLines(ini, "GAP") == std::vector<std::string>{"one", "two"});
    CHECK(ReadNumberedLines(ini, "COMMENTS") == std::vector<std::string>{"a", "b"});
    CHECK(ReadNumberedLines(ini, "EMPTY2") == std::vector<std::string>{"x", "z"});
    CHECK(ReadNumberedLines(ini, "MISSING").empty());

    std::vector<std::string> keys;
    CHECK(ini.GetKeys("ORDER", keys));
    CHECK(keys == std::vector<std::string>{"zeta", "alpha"});
    CHECK_FALSE(ini.GetKeys("MISSING", keys));
    CHECK(keys.empty());
    CHECK(ini.GetString("ORDER", "alpha") == "2");
    CHECK(ini.GetString("ORDER", "nothing", "fallback") == "fallback");
    CHECK(ini.GetString("NOWHERE", "x").empty());

    WriteFile("long.ini", "[L]\r\n1=" + std::string(3000, 'v') + "\r\n");
    CHECK(IniFile(CurrentFolder() + "\\long.ini").GetString("L", "1").size() == 2047);
}

TEST_CASE("image keys default to the Main image") {
    WriteFile("keys.ini", "[A]\r\nMain=m.jpg\r\nOver=o.jpg\r\n[B]\r\nMask=k.bmp\r\n");
    IniFile ini(CurrentFolder() + "\\keys.ini");
    ImageKeys a = ReadImageKeys(ini, "A");
    CHECK(a.main == "m.jpg");
    CHECK(a.over == "o.jpg");
    CHECK(a.mask == "m.jpg");
    CHECK(a.stopScanOver == "m.jpg");
    ImageKeys b = ReadImageKeys(ini, "B");
    CHECK(b.main.empty());
    CHECK(b.mask == "k.bmp");
    CHECK(b.down.empty());
}

TEST_CASE("the skin file path names the folder of the pictures; the description is the resource's text") {
    std::string path = ResolveSkinFilePath();
    CHECK(path == CurrentFolder() + "\\profile");
    CHECK(SkinDirectory(path) == CurrentFolder());
    CHECK(SkinImagePath(path, "Mask.bmp") == CurrentFolder() + "\\Mask.bmp");

    WriteFile("profile", "[MAINSCREENINFO]\r\nMask=stale.bmp\r\n");  // a file left there is not read
    SkinDescription skin(path);
    REQUIRE(skin.Ready());
    CHECK(skin.Text() == ResourceText("SKININI", "INI"));
    CHECK(IniFile(skin.Path(), skin.Text()).GetString("MAINSCREENINFO", "Mask") == "Mask.bmp");
    std::string bytes;
    REQUIRE(tw::ReadWholeFile(path, bytes));
    CHECK(bytes == "[MAINSCREENINFO]\r\nMask=stale.bmp\r\n");
    DeleteFileA(path.c_str());
}

TEST_CASE("the shipped description holds every section in order") {
    std::string text = ResourceText("SKININI", "INI");
    REQUIRE_FALSE(text.empty());
    const std::vector<std::string> expected = {
        "MAINSCREENINFO", "MAINSCREENBUTTONINFO", "TEXTINFO", "MAINSCREENANIMATION", "REMOVESCREENANIMATION",
        "SUBMAINSCREENINFO", "SUBMAIN_SCAN_SUMMARY_TEXTINFO", "SUBMAIN_ADVANCED_BUTTONINFO",
        "SUBMAIN_SCANSTATUS_BUTTONINFO", "SUBMAIN_SCANGIF_BUTTONINFO", "SUBMAIN_ADVANCED_EDITBOXINFO",
        "SUBMAIN_RESULT_BUTTONINFO", "SUBMAIN_RESULT_LISTINFO", "SUBMAIN_SCAN_SUMMARY_BUTTONINFO",
        "SUBMAIN_IGNORED_BUTTONINFO", "SUBMAIN_IGNORED_LISTINFO", "SUBMAIN_MAIN_TEXTINFO", "SUBMAIN_SCANGIF_TEXTINFO",
        "SUBMAIN_SCHEDULE_BUTTONINFO", "SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "SUBMAIN_LIVEUPDATE_BUTTONINFO",
        "SUBMAIN_SUPPORT_BUTTONINFO", "SCREENERRORSCANINFO", "SCREENERRORSCAN_BUTTONINFO", "SCREENERRORSCAN_TEXTINFO",
        "SCREENSCANCOMPLETEINFO", "SCREENSCANCOMPLETE_LISTINFO", "SCREENSCANCOMPLETE_BUTTONINFO",
        "SCREENSCANCOMPLETE_TEXTINFO", "SCREENERRORFIXINGINFO", "SCREENERRORFIXING_TEXTINFO", "SCREENFIXCOMPLETEINFO",
        "SCREENFIXCOMPLETE_BUTTONINFO", "SCREENFIXCOMPLETE_LISTINFO", "SCREENFIXCOMPLETE_TEXTINFO",
        "SUBMAIN_ADVANCED_TEXTINFO"};
    CHECK(SectionsInOrder(text) == expected);
    CHECK(text.find("\n;") != std::string::npos);  // it carries comment lines
}

TEST_CASE("the shipped description's fixed lines") {
    SkinDescription skin(ResolveSkinFilePath());
    REQUIRE(skin.Ready());
    IniFile ini(skin.Path(), skin.Text());

    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    CHECK(keys.mask == "Mask.bmp");
    CHECK(keys.main == "main_normal.jpg");
    CHECK(keys.down == "main_down.jpg");
    CHECK(keys.over == "main_over.jpg");
    CHECK(keys.disabled == "main_over.jpg");
    CHECK(keys.stopScanOver == "main_stopscan_over.jpg");

    struct Main {
        const char* name;
        int x, y, w, h;
        const char* tip;
    };
    const Main mains[] = {{"BUTTON_EXIT", 466, 19, 14, 14, "Exit"},
                          {"BUTTON_MINIMIZE", 448, 19, 14, 14, "Minimize"},
                          {"BUTTON_MAIN", 26, 92, 76, 48, "Select error types for scan and click Scan Now"},
                          {"BUTTON_AUTOSCAN", 302, 92, 80, 48, "Set automatic scan settings"},
                          {"BUTTON_LIVEUPDATE", 20, 408, 120, 24, "Link to refer a friend"},
                          {"BUTTON_SUPPORT", 395, 92, 80, 48, "Link to Tidewarp Help"},
                          {"BUTTON_SCAN", 20, 14, 192, 50, "Scan the selected error types"},
                          {"BUTTON_REMOVE", 293, 422, 175, 50, "Delete the selected errors"},
                          {"BUTTON_IGNORED", 120, 92, 75, 48, "List of errors not to be deleted"},
                          {"BUTTON_ADVSETTINGS", 210, 92, 85, 48, "Modify application settings"},
                          {"BUTTON_RESTORENOW", 152, 408, 120, 24, "Restore registry from last backup"}};
    std::vector<std::string> lines = ReadNumberedLines(ini, "MAINSCREENBUTTONINFO");
    REQUIRE(lines.size() == 11);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ButtonLine b = ParseButtonLine(lines[i]);
        CAPTURE(lines[i]);
        CHECK(b.name == mains[i].name);
        CHECK(b.rect.left == mains[i].x);
        CHECK(b.rect.top == mains[i].y);
        CHECK(b.rect.Width() == mains[i].w);
        CHECK(b.rect.Height() == mains[i].h);
        CHECK_FALSE(b.checkBox);
        CHECK(b.tooltip == mains[i].tip);
    }
    CHECK(ini.GetString("MAINSCREENANIMATION", "DIMENSION") == "70,178,384,134");
    CHECK(ini.GetString("REMOVESCREENANIMATION", "DIMENSION") == "50,172,407,174");
    CHECK(ini.GetString("SCANSCREENANIMATION", "DIMENSION").empty());

    const char* pages[] = {"SUBMAIN_MAIN", "SUBMAIN_SCHEDULE", "SUBMAIN_IGNORED", "SUBMAIN_ADVANCED", "SUBMAIN_RESULT",
                           "SUBMAIN_SCANGIF", "SUBMAIN_REMOVED_ERROR", "SUBMAIN_REMOVED_ERROR02",
                           "SUBMAIN_REMOVED_ERROR03", "SUBMAIN_REMOVED_ERROR01", "SUBMAIN_SCHEDULE_DISABLED",
                           "SUBMAIN_SCANSTATUS", "SUBMAIN_SCAN_SUMMARY"};
    lines = ReadNumberedLines(ini, "SUBMAINSCREENINFO");
    REQUIRE(lines.size() == 13);
    for (std::size_t i = 0; i < lines.size(); ++i) CHECK(ParseScreenLine(lines[i]).name == pages[i]);
    CHECK(ParseScreenLine(lines[10]).images[2] == "Autoscan_disabled.jpg ");

    lines = ReadNumberedLines(ini, "SUBMAIN_SCAN_SUMMARY_TEXTINFO");
    REQUIRE(lines.size() == 11);  // the counters, then the line of a stopped scan
    CHECK(lines[0] == "TEXT_FOUND_CLSID,Arial,TRUE,FALSE,-10,0l,290,48,180,15");
    for (std::size_t k = 0; k < 10; ++k) {
        TextLine t = ParseTextLine(lines[k]);
        CHECK(t.rect.left == 290);
        CHECK(t.rect.top == 48 + 15 * static_cast<int>(k));
        CHECK(t.rect.Width() == 180);
        CHECK(t.rect.Height() == 15);
    }
    CHECK(ParseTextLine(lines[9]).name == "TEXT_FOUND_LINK");

    lines = ReadNumberedLines(ini, "SUBMAIN_SCANSTATUS_BUTTONINFO");
    REQUIRE(lines.size() == 10);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        ButtonLine b = ParseButtonLine(lines[k]);
        CHECK(b.name == "BUTTON_STATUS" + std::to_string(k + 1));
        CHECK(b.checkBox);
        CHECK(b.rect.left == 22);
        CHECK(b.rect.top == 23 + 16 * static_cast<int>(k));
        CHECK(b.rect.Width() == 115);
        CHECK(b.rect.Height() == 10);
    }
    lines = ReadNumberedLines(ini, "SUBMAIN_SCANGIF_BUTTONINFO");
    REQUIRE(lines.size() == 11);
    CHECK(ParseButtonLine(lines[0]).name == "BUTTON_ALL");
    CHECK(ParseButtonLine(lines[10]).name == "BUTTON_SHORTCUTS");
    for (const std::string& l : lines) {
        ButtonLine b = ParseButtonLine(l);
        CHECK(b.checkBox);
        CHECK(b.rect.Width() == 12);
        CHECK(b.rect.Height() == 12);
    }
    CHECK(ini.GetString("SUBMAIN_ADVANCED_EDITBOXINFO", "1") == "EDIT_SCAN_EVERY,Arial,TRUE,FALSE,-12,0l,480,132,16,45,8");
    CHECK(ini.GetString("SUBMAIN_RESULT_LISTINFO", "1") == "12,37,366,156,3,Error,100,File,110,Location,130");
    CHECK(ini.GetString("SUBMAIN_IGNORED_LISTINFO", "1") == "0,0,383,154,3,Select,40,Type,50,FileName,259");
    CHECK(ini.GetString("SCREENSCANCOMPLETE_LISTINFO", "1") == "13,62,324,111,3,Type,162,Scanned,81,Bug(s),81");
    CHECK(ini.GetString("SCREENFIXCOMPLETE_LISTINFO", "1") == "13,30,324,111,4,Type,132,Scanned,64,Bug(s),64,Fixed,64");
    CHECK(ReadNumberedLines(ini, "SUBMAIN_SCHEDULE_BUTTONINFO") ==
          ReadNumberedLines(ini, "SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO"));
    TextLine version = ParseTextLine(ini.GetString("SUBMAIN_MAIN_TEXTINFO", "1"));
    CHECK(version.name == "PROGRESS_TEXT_APPLICATION_VERSION");
    CHECK(version.text == "0.9");
    CHECK(ini.GetString("SUBMAIN_MAIN_TEXTINFO", "2") ==
          "PROGRESS_TEXT_LAST_SCAN,Arial,TRUE,TRUE,-10,0l,194,62,80,15,TO_FILLED,");
    TextLine ignored = ParseTextLine(ini.GetString("SUBMAIN_MAIN_TEXTINFO", "6"));
    CHECK(ignored.name == "PROGRESS_TEXT_OBJECT_IN_IGNORE_LIST");
    CHECK(ignored.text == "TO_FILLED");
    CHECK(ignored.bold);
    CHECK(ignored.italic);
    CHECK(ignored.height == -10);
}

TEST_CASE("every image the shipped description names has a resource") {
    SkinDescription skin(ResolveSkinFilePath());
    IniFile ini(skin.Path(), skin.Text());
    std::set<std::string> names;
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    for (const std::string* n : {&keys.main, &keys.mask, &keys.over, &keys.down, &keys.disabled, &keys.stopScanOver})
        names.insert(*n);
    std::vector<std::string> screens = ReadNumberedLines(ini, "SUBMAINSCREENINFO");
    for (const char* s : {"SCREENERRORSCANINFO", "SCREENSCANCOMPLETEINFO", "SCREENERRORFIXINGINFO", "SCREENFIXCOMPLETEINFO"})
        screens.push_back(ini.GetString(s, "1"));
    for (const std::string& line : screens) {
        ScreenLine s = ParseScreenLine(line);
        CHECK_FALSE(s.name.empty());
        for (const std::string& image : s.images) names.insert(image);
    }
    CHECK(names.size() > 30);
    for (const std::string& name : names) {
        CAPTURE(name);
        CHECK(FindResourceA(nullptr, ImageResourceName(SkinImagePath(skin.Path(), name)).c_str(), "GIF") != nullptr);
    }
}

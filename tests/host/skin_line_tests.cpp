// Skin line fields on the lines the shipped description and its edge cases use.
#include "doctest.h"

#include "skin/SkinLine.h"

#include <climits>

namespace {

SkinRect Rect(int l, int t, int r, int b) {
    SkinRect x;
    x.left = l;
    x.top = t;
    x.right = r;
    x.bottom = b;
    return x;
}

}  // namespace

TEST_CASE("NextField keeps a field's own blanks and trims what remains") {
    std::string rest = " first ,  second ,third";
    CHECK(NextField(rest) == " first ");
    CHECK(rest == "second ,third");
    CHECK(NextField(rest) == "second ");
    CHECK(NextField(rest) == "third");
    CHECK(rest.empty());
    CHECK(NextField(rest).empty());
    CHECK(NextField(rest).empty());

    rest = "  lone value \t";
    CHECK(NextField(rest) == "lone value");
    CHECK(rest.empty());

    rest = ",,x";
    CHECK(NextField(rest).empty());
    CHECK(NextField(rest).empty());
    CHECK(NextField(rest) == "x");

    // Multi-byte text (Shift-JIS bytes) passes through untouched.
    rest = "\x83\x5C\x83\x74\x83\x67,\x8A\xBF";
    CHECK(NextField(rest) == "\x83\x5C\x83\x74\x83\x67");
    CHECK(NextField(rest) == "\x8A\xBF");
}

TEST_CASE("numbers follow atoi and saturate instead of overflowing") {
    CHECK(NumberField("466") == 466);
    CHECK(NumberField("  -10") == -10);
    CHECK(NumberField("+7px") == 7);
    CHECK(NumberField("0l") == 0);
    CHECK(NumberField("l0") == 0);
    CHECK(NumberField("") == 0);
    CHECK(NumberField("99999999999999999999") == INT_MAX);
    CHECK(NumberField("-99999999999999999999") == INT_MIN);
    CHECK(ColourField("0l") == 0u);
    CHECK(ColourField("16777215") == 0xFFFFFFu);
    CHECK(ColourField("7035205") == 0x6B5945u);
    CHECK(FlagField("TRUE"));
    CHECK(FlagField("T"));
    CHECK_FALSE(FlagField("true"));
    CHECK_FALSE(FlagField("FALSE"));
    CHECK_FALSE(FlagField(""));
    CHECK_FALSE(FlagField(" TRUE"));
}

TEST_CASE("ParseRect reads x, y, width and height") {
    std::string rest = "466,19,14,14,FALSE";
    CHECK(ParseRect(rest) == Rect(466, 19, 480, 33));
    CHECK(rest == "FALSE");
    rest = "5,6";
    CHECK(ParseRect(rest) == Rect(5, 6, 5, 6));
    rest = "a,b,c,d";
    CHECK(ParseRect(rest) == Rect(0, 0, 0, 0));
    rest = "2147483647,0,10,10";  // the right edge saturates rather than wrapping around
    CHECK(ParseRect(rest).right == INT_MAX);
    CHECK(ParseDimension("70,178,384,134") == Rect(70, 178, 454, 312));
    CHECK(ParseDimension("") == Rect(0, 0, 0, 0));
}

TEST_CASE("button lines") {
    ButtonLine exit = ParseButtonLine("BUTTON_EXIT,466,19,14,14,FALSE, Exit");
    CHECK(exit.name == "BUTTON_EXIT");
    CHECK(exit.rect == Rect(466, 19, 480, 33));
    CHECK_FALSE(exit.checkBox);
    CHECK(exit.tooltip == "Exit");

    ButtonLine box = ParseButtonLine("BUTTON_STATUS1,22,23,115,10,TRUE");
    CHECK(box.checkBox);
    CHECK(box.tooltip.empty());
    CHECK(box.rect == Rect(22, 23, 137, 33));

    ButtonLine bare = ParseButtonLine("BUTTON_X");
    CHECK(bare.name == "BUTTON_X");
    CHECK(bare.rect == Rect(0, 0, 0, 0));
    CHECK_FALSE(bare.checkBox);
}

TEST_CASE("text and edit lines") {
    TextLine found = ParseTextLine("TEXT_FOUND_CLSID,Arial,TRUE,FALSE,-10,0l,290,48,180,15");
    CHECK(found.name == "TEXT_FOUND_CLSID");
    CHECK(found.face == "Arial");
    CHECK(found.bold);
    CHECK_FALSE(found.italic);
    CHECK(found.height == -10);
    CHECK(found.colour == 0u);
    CHECK(found.rect == Rect(290, 48, 470, 63));
    CHECK(found.text.empty());

    TextLine last = ParseTextLine("PROGRESS_TEXT_LAST_SCAN,Arial,TRUE,TRUE,-10,0l,194,62,80,15,TO_FILLED,");
    CHECK(last.italic);
    CHECK(last.text == "TO_FILLED");
    CHECK(last.rect == Rect(194, 62, 274, 77));

    CHECK(ParseTextLine("T,Arial,TRUE,FALSE,-10,0l,1,2,3,4,").text.empty());

    TextLine edit = ParseTextLine("EDIT_SCAN_EVERY,Arial,TRUE,FALSE,-12,0l,480,132,16,45,8");
    CHECK(edit.name == "EDIT_SCAN_EVERY");
    CHECK(edit.height == -12);
    CHECK(edit.rect == Rect(480, 132, 496, 177));
    CHECK(edit.text == "8");

    TextLine coloured = ParseTextLine("T,Arial,FALSE,FALSE,-10,7035205,18,189,270,14");
    CHECK(coloured.colour == 0x6B5945u);
    CHECK_FALSE(coloured.bold);
}

TEST_CASE("list lines") {
    ListLine fix = ParseListLine("13,30,324,111,4,Type,132,Scanned,64,Bug(s),64,Fixed,64");
    CHECK(fix.rect == Rect(13, 30, 337, 141));
    REQUIRE(fix.columns.size() == 4);
    CHECK(fix.columns[0].title == "Type");
    CHECK(fix.columns[0].width == 132);
    CHECK(fix.columns[2].title == "Bug(s)");
    CHECK(fix.columns[3].title == "Fixed");
    CHECK(fix.columns[3].width == 64);

    CHECK(ParseListLine("0,0,383,154,0").columns.empty());
    CHECK(ParseListLine("0,0,383,154,-3,A,10").columns.empty());

    ListLine shortOf = ParseListLine("1,2,3,4,3,Select,40");  // missing pairs read as empty and 0
    REQUIRE(shortOf.columns.size() == 3);
    CHECK(shortOf.columns[1].title.empty());
    CHECK(shortOf.columns[1].width == 0);

    CHECK(ParseListLine("1,2,3,4,2000000000").columns.size() == 256);
}

TEST_CASE("screen lines keep a trailing blank in an image name") {
    ScreenLine s = ParseScreenLine(
        "SUBMAIN_SCHEDULE_DISABLED,Autoscan_disabled.jpg,Autoscan_disabled.jpg,Autoscan_disabled.jpg ,"
        "Autoscan_disabled.jpg,75,160,349,189");
    CHECK(s.name == "SUBMAIN_SCHEDULE_DISABLED");
    CHECK(s.images[0] == "Autoscan_disabled.jpg");
    CHECK(s.images[2] == "Autoscan_disabled.jpg ");
    CHECK(s.rect == Rect(75, 160, 424, 349));
}

TEST_CASE("image names map to resource names") {
    CHECK(ImageResourceName("C:\\Program Files\\Tidewarp\\main_normal.jpg") == "MAIN_NORMAL");
    CHECK(ImageResourceName("C:\\x\\Mask.bmp") == "MASK");
    CHECK(ImageResourceName("C:\\x\\IGNORRED-ERRORS_chkOver.jpg") == "IGNORRED-ERRORS_CHKOVER");
    CHECK(ImageResourceName("C:\\x\\Autoscan_disabled.jpg ") == "AUTOSCAN_DISABLED");
    CHECK(ImageResourceName("plain") == "PLAIN");
    CHECK(ImageResourceName("C:\\x\\.hidden") == ".HIDDEN");
    CHECK(ImageResourceName("C:\\dir.d\\name") == "NAME");
    CHECK(ImageResourceName("a.b.c") == "A.B");
    CHECK(ImageResourceName("C:\\x\\") == "");
    CHECK(ImageResourceName("C:\\x\\caf\xE9.jpg") == "CAF\xE9");  // only ASCII letters change case
}

TEST_CASE("a skin's picture names must be bare file names") {
    for (const char* name : {"main_normal.jpg", "Autoscan_disabled.jpg ", ".hidden", "..a", "a..b.gif", "plain",
                             "console.jpg", "COM0.jpg", "COM10.jpg", "LPT.gif", "nulled.bmp", "xcon.jpg"})
        CHECK_MESSAGE(IsBarePictureName(name), std::string(name));
    for (const char* name : {"", " ", ".", "..", "...", ". .", ".. ", "..\\secret.jpg", "../secret.jpg",
                             "C:\\secret.jpg", "C:secret.jpg", "\\\\server\\share\\x.jpg", "/etc/x.jpg",
                             "sub\\x.jpg", "x.jpg:stream", "CON", "con.jpg", "Nul.bmp", "aux .gif", "PRN.a.b",
                             "COM1.jpg", "lpt9.gif", "CONOUT$.jpg"})
        CHECK_MESSAGE(!IsBarePictureName(name), std::string(name));
}

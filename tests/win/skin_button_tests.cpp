// Skinned buttons: faces by the choice tables, hover, clicks reported by name, tooltips, and the
// element set's operations on buttons.
#include "doctest.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin_test_support.h"

#include <commctrl.h>

using namespace skintest;

namespace {

const COLORREF kNormal = RGB(200, 0, 0);
const COLORREF kOver = RGB(0, 200, 0);
const COLORREF kDown = RGB(0, 0, 200);
const COLORREF kDisabled = RGB(128, 128, 128);
const COLORREF kStopOver = RGB(220, 220, 0);

// An owner whose five screen images are solid colours, so a face tells which image it came from.
struct Fixture {
    OwnerWindow owner;
    SkinButton* scan = nullptr;
    SkinButton* other = nullptr;
    SkinButton* box = nullptr;

    Fixture() {
        REQUIRE(owner.Open(40, 40, 200, 100));
        owner.SetScreen(ScreenImage::Normal, SolidBitmap(200, 100, kNormal));
        owner.SetScreen(ScreenImage::Over, SolidBitmap(200, 100, kOver));
        owner.SetScreen(ScreenImage::Down, SolidBitmap(200, 100, kDown));
        owner.SetScreen(ScreenImage::Disabled, SolidBitmap(200, 100, kDisabled));
        owner.SetScreen(ScreenImage::StopScanOver, SolidBitmap(200, 100, kStopOver));
        scan = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_SCAN,10,10,40,20,FALSE, Scan now"),
                               ButtonText::Tooltip);
        other = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_REMOVE,60,10,40,20,FALSE"),
                                ButtonText::Tooltip);
        box = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_COM,110,10,20,20,TRUE, tip"), ButtonText::Empty);
        REQUIRE(scan);
        REQUIRE(other);
        REQUIRE(box);
    }

    COLORREF Face(SkinButton* b) {
        InvalidateRect(b->Handle(), nullptr, TRUE);
        return PixelAt(b->Handle(), 5, 5);
    }
    void State(SkinButton* b, bool checked, bool hover, bool enabled = true) {
        b->SetChecked(checked);
        b->SetHover(hover);
        EnableWindow(b->Handle(), enabled);
    }
};

// A picture whose pixels tell where they are: red is x, green is y, blue is the picture's tint.
tw::UniqueHBitmap PatternBitmap(int width, int height, int tint) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    tw::UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    for (int i = 0; bitmap && i < width * height; ++i)
        static_cast<DWORD*>(bits)[i] = static_cast<DWORD>((i % width) << 16 | (i / width) << 8 | tint);
    return bitmap;
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

BOOL CALLBACK CountTooltip(HWND window, LPARAM total) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) ++*reinterpret_cast<int*>(total);
    return TRUE;
}

int CountTooltips() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountTooltip, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

TEST_CASE("a push button draws the image its state chooses") {
    Fixture f;
    SkinButton* b = f.scan;
    f.State(b, false, false);
    CHECK(f.Face(b) == kNormal);
    f.State(b, false, true);
    CHECK(f.Face(b) == kOver);
    f.State(b, true, false);  // a running scan: checked, mouse elsewhere
    CHECK(f.Face(b) == kDown);
    f.State(b, true, true);  // ... and hovered: the stop-scan look
    CHECK(f.Face(b) == kStopOver);
    f.State(b, true, true, false);
    CHECK(f.Face(b) == kDisabled);
    f.State(b, false, true);
    SendMessageA(b->Handle(), BM_SETSTATE, TRUE, 0);  // pressed
    CHECK(f.Face(b) == kDown);
    SendMessageA(b->Handle(), BM_SETSTATE, FALSE, 0);

    // Only BUTTON_SCAN has a checked-over image; other checked buttons keep their down look.
    f.State(f.other, true, true);
    CHECK(f.other->ImageOf(SkinButton::CheckedOver) == nullptr);
    CHECK(f.Face(f.other) == kDown);
}

TEST_CASE("a check-box button ignores hover and pressing") {
    Fixture f;
    SkinButton* b = f.box;
    f.State(b, false, true);
    SendMessageA(b->Handle(), BM_SETSTATE, TRUE, 0);
    CHECK(f.Face(b) == kNormal);
    SendMessageA(b->Handle(), BM_SETSTATE, FALSE, 0);
    f.State(b, true, true);
    CHECK(f.Face(b) == kDown);
    f.State(b, true, false, false);
    CHECK(f.Face(b) == kDisabled);
}

TEST_CASE("a click reports the button's name; a release outside reports nothing") {
    Fixture f;
    HWND b = f.scan->Handle();
    SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    CHECK(GetCapture() == b);
    SendMessageA(b, WM_LBUTTONUP, 0, At(5, 5));
    CHECK(f.owner.pressed == std::vector<std::string>{"BUTTON_SCAN"});
    CHECK(f.owner.commands.empty());  // the platform's own click command never reaches the owner
    CHECK(GetCapture() != b);
    CHECK((SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED) == 0);
    CHECK_FALSE(f.scan->Hover());

    // Press, move off, release outside: no notification, and the button lets go of the mouse.
    SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, At(-150, -150));
    SendMessageA(b, WM_LBUTTONUP, 0, At(-150, -150));
    CHECK(f.owner.pressed.size() == 1);
    CHECK(f.owner.commands.empty());
    CHECK(GetCapture() != b);
    CHECK((SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED) == 0);

    SendMessageA(f.box->Handle(), WM_LBUTTONUP, 0, At(3, 3));
    CHECK(f.owner.pressed.back() == "BUTTON_COM");
    CHECK(f.box->Checked() == false);  // the owner decides about the check state, not the click

    f.owner.OnSkinButton(99);  // a stale index is ignored
    f.owner.OnSkinButton(-1);
    CHECK(f.owner.pressed.size() == 2);
}

TEST_CASE("a button's index is its position in the list, empty lines skipped") {
    OwnerWindow owner;
    REQUIRE(owner.Open(40, 40, 200, 60));
    WriteFile("buttons.ini", "[B]\r\n1=FIRST,0,0,20,20,FALSE\r\n2=\r\n3=THIRD,30,0,20,20,FALSE\r\n");
    CHECK(owner.LoadButtons(owner.Handle(), IniFile(CurrentFolder() + "\\buttons.ini"), "B", ButtonText::Empty) == 2);
    SkinButton* third = owner.FindButton("THIRD");
    REQUIRE(third);
    CHECK(third->Index() == 1);
    SendMessageA(third->Handle(), WM_LBUTTONUP, 0, At(2, 2));
    CHECK(owner.pressed == std::vector<std::string>{"THIRD"});
    CHECK(ChildRect(third->Handle()).left == 30);
}

TEST_CASE("hover follows the mouse and holds the capture while over the button") {
    Fixture f;
    HWND b = f.scan->Handle();
    SetActiveWindow(f.owner.Handle());
    SendMessageA(b, WM_MOUSEMOVE, 0, At(5, 5));
    CHECK(f.scan->Hover());
    CHECK(GetCapture() == b);
    CHECK(PixelAt(b, 5, 5) == kOver);
    SendMessageA(b, WM_MOUSEMOVE, 0, At(6, 6));  // still over it
    CHECK(f.scan->Hover());
    SendMessageA(b, WM_MOUSEMOVE, 0, At(5, 60));  // left it, onto the owner's background
    CHECK_FALSE(f.scan->Hover());
    CHECK(GetCapture() != b);
    CHECK(PixelAt(b, 5, 5) == kNormal);

    // Pressing elsewhere and dragging over the button does not light it.
    SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, At(5, 5));
    CHECK_FALSE(f.scan->Hover());

    f.scan->SetHover(true);
    SendMessageA(b, WM_KILLFOCUS, 0, 0);
    CHECK_FALSE(f.scan->Hover());
}

TEST_CASE("tooltips carry the line's text") {
    Fixture f;
    SendMessageA(f.scan->Handle(), WM_MOUSEMOVE, 0, At(5, 5));  // the first mouse message makes it
    HWND tip = f.scan->Tooltip();
    REQUIRE(tip);
    CHECK(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0) == 1);
    char text[128] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = f.scan->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(f.scan->Handle());
    tool.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    CHECK(std::string(text) == "Scan now");
    CHECK((GetWindowLongA(tip, GWL_STYLE) & TTS_ALWAYSTIP) != 0);

    // A tool asking for its text hears its control identifier, or nothing for identifier 0.
    NMTTDISPINFOA ask{};
    ask.hdr.hwndFrom = tip;
    ask.hdr.code = TTN_NEEDTEXTA;
    ask.hdr.idFrom = reinterpret_cast<UINT_PTR>(f.scan->Handle());
    ask.uFlags = TTF_IDISHWND;
    lstrcpyA(ask.szText, "junk");
    SendMessageA(f.scan->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
    CHECK(std::string(ask.szText).empty());
    HWND seven = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 5, 5, f.owner.Handle(),
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ask.hdr.idFrom = reinterpret_cast<UINT_PTR>(seven);
    SendMessageA(f.scan->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
    CHECK(std::string(ask.szText) == "Control ID = 7");
    DestroyWindow(seven);
}

TEST_CASE("a button is owner-drawn from the start, and has a tooltip control only with a text") {
    int tipsBefore = CountTooltips();
    Fixture f;
    CHECK(CountTooltips() == tipsBefore);  // none until the mouse comes
    for (SkinButton* b : {f.scan, f.other, f.box}) SendMessageA(b->Handle(), WM_MOUSEMOVE, 0, At(5, 5));
    CHECK(CountTooltips() - tipsBefore == 1);  // the scan button's
    const HWND made = f.scan->Tooltip();
    SendMessageA(f.scan->Handle(), WM_MOUSEMOVE, 0, At(6, 6));
    CHECK(f.scan->Tooltip() == made);           // made once
    CHECK(f.other->Tooltip() == nullptr);       // a line without a tooltip
    CHECK(f.box->Tooltip() == nullptr);         // a screen that passes no text
    for (SkinButton* b : {f.scan, f.other}) {
        LONG style = GetWindowLongA(b->Handle(), GWL_STYLE);
        CHECK((style & BS_TYPEMASK) == BS_OWNERDRAW);
        CHECK((style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER)) == (WS_CHILD | WS_VISIBLE));
    }

    // Without a tooltip the mouse is followed just the same.
    HWND b = f.other->Handle();
    SetActiveWindow(f.owner.Handle());
    SendMessageA(b, WM_MOUSEMOVE, 0, At(5, 5));
    CHECK(f.other->Hover());
    f.owner.Reset();
    CHECK(CountTooltips() == tipsBefore);
}

TEST_CASE("buttons by name") {
    Fixture f;
    f.owner.EnableButton("BUTTON_REMOVE", false);
    CHECK_FALSE(IsWindowEnabled(f.other->Handle()));
    f.owner.EnableButton("NO_SUCH_BUTTON", false);
    f.owner.EnableAllButtons(true);
    CHECK(IsWindowEnabled(f.other->Handle()));

    UpdateWindow(f.owner.Handle());
    Pump();
    RECT dirty{};
    f.owner.SetButtonChecked("BUTTON_COM", false);  // unchanged: nothing to redraw
    CHECK_FALSE(GetUpdateRect(f.box->Handle(), &dirty, FALSE));
    f.owner.SetButtonChecked("BUTTON_COM", true);
    CHECK(GetUpdateRect(f.box->Handle(), &dirty, FALSE));
    CHECK(f.owner.GetButtonChecked("BUTTON_COM") == 1);
    CHECK(f.owner.GetButtonChecked("button_com") == 0);  // names compare exactly
    CHECK(f.owner.GetButtonChecked("NO_SUCH_BUTTON") == 0);
    f.owner.SetButtonChecked("NO_SUCH_BUTTON", true);

    f.owner.SetAllButtonsChecked(true);
    CHECK(f.owner.GetButtonChecked("BUTTON_SCAN") == 1);
    CHECK(f.owner.GetButtonChecked("BUTTON_REMOVE") == 1);
    f.owner.SetAllButtonsChecked(false);
    CHECK(f.owner.GetButtonChecked("BUTTON_COM") == 0);

    f.owner.SetButtonHover("BUTTON_REMOVE", true);
    CHECK(f.owner.GetButtonHover("BUTTON_REMOVE"));
    CHECK(PixelAt(f.other->Handle(), 5, 5) == kOver);

    f.owner.Reset();
    CHECK(f.owner.Buttons().empty());
    CHECK(f.owner.Screen(ScreenImage::Normal) == nullptr);
    CHECK(f.owner.GetButtonChecked("BUTTON_COM") == 0);
}

TEST_CASE("faces and texts show the screen pictures at their own place, black past the pictures' edges") {
    OwnerWindow owner;
    REQUIRE(owner.Open(40, 40, 200, 100));
    const int tint[] = {40, 80, 120, 160, 200};  // Normal, Over, Down, Disabled, StopScanOver
    for (int i = 0; i < 5; ++i) owner.SetScreen(static_cast<ScreenImage>(i), PatternBitmap(150, 80, tint[i]));
    auto add = [&](const char* line) {
        return owner.AddButton(owner.Handle(), ParseButtonLine(line), ButtonText::Empty);
    };
    auto face = [](SkinButton* b, int x, int y) {
        InvalidateRect(b->Handle(), nullptr, TRUE);
        return PixelAt(b->Handle(), x, y);
    };
    SkinButton* scan = add("BUTTON_SCAN,30,20,40,20,FALSE");
    SkinButton* edge = add("BUTTON_EDGE,140,70,30,20,FALSE");  // past the right and bottom edges
    SkinText* text = owner.AddText(owner.Handle(), ParseTextLine("TEXT_EDGE,Arial,FALSE,FALSE,-8,0l,100,60,60,30,"));
    REQUIRE((scan && edge && text));
    CHECK(face(scan, 5, 6) == RGB(35, 26, tint[0]));
    scan->SetChecked(true);  // the stop look: a picture of its own, at the same place
    scan->SetHover(true);
    CHECK(face(scan, 39, 19) == RGB(69, 39, tint[4]));
    CHECK(face(edge, 9, 9) == RGB(149, 79, tint[0]));
    CHECK(face(edge, 10, 5) == RGB(0, 0, 0));
    CHECK(face(edge, 5, 10) == RGB(0, 0, 0));
    CHECK(PixelAt(text->Handle(), 49, 19) == RGB(149, 79, tint[0]));
    CHECK(PixelAt(text->Handle(), 50, 20) == RGB(0, 0, 0));
    {  // a picture another DC holds cannot be drawn: the plain button colour, not garbage
        tw::UniqueHDC holder = tw::CreateMemoryDC(nullptr);
        tw::SelectScope held(holder.get(), owner.Screen(ScreenImage::Normal));
        CHECK(face(edge, 5, 5) == GetSysColor(COLOR_BTNFACE));
    }
    // Without an over picture hover shows normal; without a normal one, the plain button colour.
    owner.SetScreen(ScreenImage::Over, SharedBitmap());
    SkinButton* bare = add("BUTTON_BARE,80,20,40,20,FALSE");
    bare->SetHover(true);
    CHECK(face(bare, 5, 5) == RGB(85, 25, tint[0]));
    owner.SetScreen(ScreenImage::Normal, SharedBitmap());
    CHECK(face(add("BUTTON_NONE,10,50,20,20,FALSE"), 5, 5) == GetSysColor(COLOR_BTNFACE));
}

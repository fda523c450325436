// A window built from the shipped description: every element where the description puts it,
// faces cut from the shipped pictures, clicks by name, and the screenshot for the README.
#include "doctest.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/SkinSource.h"
#include "skin_preview.h"
#include "skin_test_support.h"
#include "test_links.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <thread>

using namespace skintest;

namespace {

bool Same(const RECT& r, const SkinRect& s) {
    return r.left == s.left && r.top == s.top && r.right == s.right && r.bottom == s.bottom;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    tw::SelectScope keep(dc.get(), bitmap);
    return GetPixel(dc.get(), x, y);
}

struct Built {
    RecordingNotifier notifier;
    SkinPreview screen{notifier};
    bool fileLeftBehind = true;
    std::unique_ptr<IniFile> ini;
    explicit Built(bool scanOnStart = false) {
        screen.scanOnStart = scanOnStart;
        REQUIRE(screen.Build());
        fileLeftBehind = GetFileAttributesA(screen.SkinFilePath().c_str()) != INVALID_FILE_ATTRIBUTES;
        SkinDescription skin(ResolveSkinFilePath());
        ini = std::make_unique<IniFile>(skin.Path(), skin.Text());
        SetWindowPos(screen.Handle(), HWND_TOP, 12, 12, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        SetActiveWindow(screen.Handle());
        Pump();
    }
};

// Every element of a window or page against the lines of its sections.
void CheckElements(const SkinElementSet& set, const IniFile& ini, const std::string& buttons,
                   const std::string& texts, const std::string& edits) {
    std::vector<std::string> lines = ReadNumberedLines(ini, buttons);
    REQUIRE(set.Buttons().size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ButtonLine line = ParseButtonLine(lines[i]);
        const SkinButton& b = *set.Buttons()[i];
        CAPTURE(line.name);
        CHECK(b.Name() == line.name);
        CHECK(b.Index() == static_cast<int>(i));
        CHECK(b.IsCheckBox() == line.checkBox);
        CHECK(Same(ChildRect(b.Handle()), line.rect));
    }
    lines = ReadNumberedLines(ini, texts);
    REQUIRE(set.Texts().size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TextLine line = ParseTextLine(lines[i]);
        CAPTURE(line.name);
        CHECK(set.Texts()[i]->Name() == line.name);
        CHECK(set.Texts()[i]->Text() == line.text);
        CHECK(Same(ChildRect(set.Texts()[i]->Handle()), line.rect));
    }
    lines = ReadNumberedLines(ini, edits);
    REQUIRE(set.Edits().size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TextLine line = ParseTextLine(lines[i]);
        CHECK(set.Edits()[i]->Name() == line.name);
        CHECK(Same(ChildRect(set.Edits()[i]->Handle()), line.rect));
    }
}

}  // namespace

TEST_CASE("a window built from the shipped description has every element at its place") {
    Built b;
    CHECK(b.notifier.notices.empty());
    RECT window{}, client{};
    GetWindowRect(b.screen.Handle(), &window);
    GetClientRect(b.screen.Handle(), &client);
    CHECK(window.right - window.left == 505);
    CHECK(window.bottom - window.top == 504);
    CHECK(client.right == 499);
    CHECK(client.bottom == 498);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    REQUIRE(GetWindowRgn(b.screen.Handle(), shape) == COMPLEXREGION);
    RECT box{};
    GetRgnBox(shape, &box);
    CHECK(box.left == 3);
    CHECK(box.bottom == 501);
    DeleteObject(shape);

    CheckElements(b.screen, *b.ini, "MAINSCREENBUTTONINFO", "TEXTINFO", "NO_EDITS");
    CHECK(b.screen.Buttons().size() == 11);
    // The line a repair leaves and the line naming another account's per-user entries, both empty
    // until there is something to say.
    REQUIRE(b.screen.Texts().size() == 2);
    CHECK(b.screen.Texts()[0]->Name() == "TEXT_REPAIR_RESULT");
    CHECK(b.screen.Texts()[1]->Name() == "TEXT_PER_USER_ACCOUNT");
    for (const auto& text : b.screen.Texts()) CHECK(text->Text().empty());
    std::vector<std::string> mainLines = ReadNumberedLines(*b.ini, "MAINSCREENBUTTONINFO");
    for (std::size_t i = 0; i < mainLines.size(); ++i) {
        HWND button = b.screen.Buttons()[i]->Handle();
        CHECK((IsWindowEnabled(button) != FALSE) == (b.screen.Buttons()[i]->Name() != "BUTTON_MAIN"));
        char text[128] = {};
        GetWindowTextA(button, text, sizeof text);  // the tooltip, for screen readers too
        CHECK(std::string(text) == ParseButtonLine(mainLines[i]).tooltip);
    }

    std::vector<std::string> pages = ReadNumberedLines(*b.ini, "SUBMAINSCREENINFO");
    REQUIRE(b.screen.Pages().size() == 13);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        ScreenLine line = ParseScreenLine(pages[i]);
        const SkinPanel& page = *b.screen.Pages()[i];
        CAPTURE(line.name);
        CHECK(page.SkinName() == line.name);
        CHECK_FALSE(IsWindowVisible(page.Handle()));
        CHECK(Same(ChildRect(page.Handle()), line.rect));
        CheckElements(page, *b.ini, line.name + "_BUTTONINFO", line.name + "_TEXTINFO", line.name + "_EDITBOXINFO");
    }
    PreviewPage* result = b.screen.Page("SUBMAIN_RESULT");
    REQUIRE(result->List());
    RECT list = ChildRect(result->List()->Handle());
    CHECK(list.left == 12);
    CHECK(list.top == 37);
    CHECK(list.right == 378);
    CHECK(list.bottom == 193);
    CHECK(result->List()->ColumnCount() == 3);
    {
        // The columns fill the list: no horizontal scroll bar, whatever the rows hold.
        HWND view = result->List()->Handle();
        RECT client{};
        GetClientRect(view, &client);
        int width = 0;
        for (int i = 0; i < 3; ++i) width += static_cast<int>(SendMessageA(view, LVM_GETCOLUMNWIDTH, i, 0));
        CHECK(width <= client.right);
        CHECK(width >= client.right - GetSystemMetrics(SM_CXVSCROLL));
    }
    REQUIRE(b.screen.Page("SUBMAIN_IGNORED")->List());
    CHECK(b.screen.Page("SUBMAIN_MAIN")->List() == nullptr);
    CHECK(b.screen.Page("SUBMAIN_SCAN_SUMMARY")->Texts().size() == 11);  // the counters and the stopped line
    CHECK(b.screen.Page("SUBMAIN_ADVANCED")->FindEdit("EDIT_SCAN_EVERY") != nullptr);
    CHECK(b.screen.Page("SUBMAIN_MAIN")->FindText("PROGRESS_TEXT_APPLICATION_VERSION")->Text() == "0.9");
}

namespace {

// Position in the z-order of the parent's children, topmost first.
int ZOrder(HWND child) {
    int n = 0;
    for (HWND w = GetWindow(GetParent(child), GW_CHILD); w && w != child; w = GetWindow(w, GW_HWNDNEXT)) ++n;
    return n;
}

struct Listener : tw::Window {
    int heard = 0;
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (msg == kSkinClosingMessage) ++heard;
        return false;
    }
};

}  // namespace

TEST_CASE("pages naming the same picture share one bitmap; a rebuilt screen holds only live ones") {
    Built b;
    auto screens = [&] {
        std::map<std::string, HBITMAP> byName;
        int shared = 0;
        const ScreenImage order[] = {ScreenImage::Normal, ScreenImage::Over, ScreenImage::Down, ScreenImage::Disabled};
        std::vector<std::string> lines = ReadNumberedLines(*b.ini, "SUBMAINSCREENINFO");
        for (std::size_t i = 0; i < lines.size(); ++i)
            for (int k = 0; k < 4; ++k) {
                HBITMAP held = b.screen.Pages()[i]->Screen(order[k]);
                CHECK(GetObjectType(held) == OBJ_BITMAP);
                auto [at, added] = byName.emplace(ParseScreenLine(lines[i]).images[k], held);
                if (!added) CHECK(at->second == held);
                shared += added ? 0 : 1;
            }
        return shared;
    };
    CHECK(screens() > 0);
    b.screen.LoadSkin();
    CHECK(screens() > 0);
}

TEST_CASE("the main screen: skin file, animation area, pages, dragging and closing") {
    Built b;
    CHECK_FALSE(b.fileLeftBehind);
    CHECK(b.screen.SkinFilePath() == ResolveSkinFilePath());
    HWND area = b.screen.AnimationArea();
    REQUIRE(area);
    CHECK_FALSE(IsWindowVisible(area));
    CHECK(GetDlgCtrlID(area) == 110);
    CHECK(Same(ChildRect(area), SkinRect{70, 178, 454, 312}));

    SkinPanel* scan = b.screen.Page("SUBMAIN_SCANGIF");
    SkinPanel* status = b.screen.Page("SUBMAIN_SCANSTATUS");
    b.screen.ShowPage("SUBMAIN_SCANGIF");
    b.screen.ShowSidePage("SUBMAIN_SCANSTATUS");
    CHECK(b.screen.PrimaryPage() == scan);
    CHECK(IsWindowVisible(scan->Handle()));
    CHECK(IsWindowVisible(status->Handle()));
    CHECK(ZOrder(status->Handle()) < ZOrder(scan->Handle()));  // the side page is drawn above
    RedrawWindow(b.screen.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    b.screen.ShowPage("SUBMAIN_SCANGIF");  // the page already shown: nothing to repaint
    CHECK_FALSE(GetUpdateRect(b.screen.Handle(), nullptr, FALSE));
    CHECK(b.screen.SidePage() == status);
    b.screen.ShowPage("NO_SUCH_PAGE");
    CHECK(b.screen.PrimaryPage() == nullptr);
    CHECK(b.screen.SidePage() == nullptr);
    for (const auto& page : b.screen.Pages()) CHECK_FALSE(IsWindowVisible(page->Handle()));

    // Dragging: a press on the background asks for a caption drag at that point of the screen.
    Pump();
    SendMessageA(b.screen.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 480));
    MSG drag{};
    REQUIRE(PeekMessageA(&drag, b.screen.Handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    CHECK(drag.wParam == HTCAPTION);
    POINT at{200, 480};
    ClientToScreen(b.screen.Handle(), &at);
    CHECK(drag.lParam == MAKELPARAM(at.x, at.y));

    // Closing: every descendant with an object hears of it once, before it goes.
    Listener deep;
    REQUIRE(deep.Create("STATIC", "", WS_CHILD, 0, RECT{0, 0, 5, 5}, scan->Handle(), 0));
    DestroyWindow(b.screen.Handle());
    CHECK(deep.heard == 1);
    CHECK(deep.Handle() == nullptr);
}

// The screen's children from front to back: pages by name, other windows by class and place.
std::vector<std::string> ChildOrder(SkinPreview& screen) {
    std::vector<std::string> order;
    const std::vector<SkinPanel*> pages = screen.Pages();
    for (HWND child = GetWindow(screen.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto page = std::find_if(pages.begin(), pages.end(), [&](SkinPanel* p) { return p->Handle() == child; });
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        RECT r = ChildRect(child);
        order.push_back(page != pages.end() ? (*page)->SkinName()
                                            : std::string(name) + " " + std::to_string(r.left) + "," +
                                                  std::to_string(r.top));
    }
    return order;
}

TEST_CASE("a prepared screen; pages built after it: in their place, on demand or by the timer, never on another thread") {
    std::vector<std::string> expected;
    {
        Built whole;
        expected = ChildOrder(whole.screen);
    }

    RecordingNotifier notifier;
    SkinPreview later(notifier);
    later.atOnce = std::vector<std::string>{"SUBMAIN_SCANGIF", "SUBMAIN_SCANSTATUS"};
    // Prepared as the program does: the description is read, and its pictures decoding, before
    // the window exists.
    later.PrepareSkin();
    REQUIRE(later.Build());
    CHECK(later.PagesToCome() == 11);
    REQUIRE(later.Page("SUBMAIN_SCANGIF"));
    // Another thread sees the pages built so far and builds none: its windows would be its own.
    SkinPanel* seen = reinterpret_cast<SkinPanel*>(1);
    std::thread([&] { seen = later.Page("SUBMAIN_IGNORED"); }).join();
    CHECK(seen == nullptr);
    CHECK(later.PagesToCome() == 11);
    // The window's thread gets one when it asks, with its elements and settings loaded from the
    // description.
    PreviewPage* ignored = later.Page("SUBMAIN_IGNORED");
    REQUIRE(ignored);
    CHECK(ignored->List());
    CHECK_FALSE(ignored->Buttons().empty());
    CHECK(later.PagesToCome() == 10);
    // The timer builds the rest, and every page stands where a screen built at once has it.
    for (DWORD start = GetTickCount(); later.PagesToCome() > 0 && GetTickCount() - start < 10000; Sleep(5)) Pump();
    CHECK(later.PagesToCome() == 0);
    SkinButton* scan = later.FindButton("BUTTON_SCAN");
    CHECK((scan->ImageOf(SkinButton::Down) && scan->ImageOf(SkinButton::CheckedOver)));  // given by then
    CHECK(ChildOrder(later) == expected);
    CHECK(later.Pages().size() == 13);
}

TEST_CASE("the main screen deletes a stale remove-top.swf, but not through a link") {
    const std::string sentinel = CurrentFolder() + "\\sentinel.swf";
    WriteFile("sentinel.swf", "not the movie's");
    testunix::MakeFolderLink(CurrentFolder() + "\\remove-top.swf", sentinel);
    {
        Built b;
    }
    CHECK(GetFileAttributesA(sentinel.c_str()) != INVALID_FILE_ATTRIBUTES);
    testunix::RemoveLink(CurrentFolder() + "\\remove-top.swf");
    DeleteFileA(sentinel.c_str());
    WriteFile("remove-top.swf", "stale");
    {
        Built b;
    }
    CHECK(GetFileAttributesA("remove-top.swf") == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("the main screen presses the scan button when it starts to scan; no description, no screen") {
    Built scanning(true);
    CHECK(scanning.screen.pressed == std::vector<std::string>{"BUTTON_SCAN"});
    Built plain;
    CHECK(plain.screen.pressed.empty());

    RecordingNotifier notifier;
    SkinPreview screen(notifier);
    screen.SetSkinFileName("no such folder\\profile");
    CHECK_FALSE(screen.Build());
    CHECK(screen.Result() == 2);
    CHECK(notifier.Texts() == std::vector<std::string>{""});
}

TEST_CASE("faces come from the shipped pictures and clicks arrive by name") {
    Built b;
    SkinButton* scan = b.screen.FindButton("BUTTON_SCAN");
    REQUIRE(scan);
    auto expected = [&](ScreenImage which) { return PixelOf(b.screen.Screen(which), 20 + 60, 14 + 25); };
    auto face = [&] {
        InvalidateRect(scan->Handle(), nullptr, TRUE);
        return PixelAt(scan->Handle(), 60, 25);
    };
    CHECK(face() == expected(ScreenImage::Normal));
    b.screen.SetButtonChecked("BUTTON_SCAN", true);
    CHECK(face() == expected(ScreenImage::Down));
    b.screen.SetButtonHover("BUTTON_SCAN", true);
    CHECK(face() == expected(ScreenImage::StopScanOver));
    CHECK(expected(ScreenImage::StopScanOver) != expected(ScreenImage::Down));

    SkinButton* remove = b.screen.FindButton("BUTTON_REMOVE");
    SendMessageA(remove->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    b.screen.Show("SUBMAIN_SCANGIF", "SUBMAIN_SCANSTATUS");
    SkinButton* all = b.screen.Page("SUBMAIN_SCANGIF")->FindButton("BUTTON_ALL");
    SendMessageA(all->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    CHECK(b.screen.pressed == std::vector<std::string>{"BUTTON_REMOVE", "SUBMAIN_SCANGIF:BUTTON_ALL"});
}

TEST_CASE("screenshot of the main screen") {
    Built b;
    b.screen.Show("SUBMAIN_SCANGIF", "SUBMAIN_SCANSTATUS");
    SkinPanel* scan = b.screen.Page("SUBMAIN_SCANGIF");
    SkinPanel* status = b.screen.Page("SUBMAIN_SCANSTATUS");
    for (const char* name : {"BUTTON_COM", "BUTTON_COM_SUBS", "BUTTON_DRV", "BUTTON_HELP", "BUTTON_APPPATH",
                             "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP", "BUTTON_UNINSTALL"})
        scan->SetButtonChecked(name, true);
    for (const char* done : {"BUTTON_STATUS1", "BUTTON_STATUS2", "BUTTON_STATUS3"}) status->EnableButton(done, false);
    status->SetButtonChecked("BUTTON_STATUS4", true);
    scan->SetTextByName("TEXT_ERRORSCAN_CURRENTITEM", "C:\\WINDOWS\\Help\\winhlp32.hlp");
    RedrawWindow(b.screen.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 10; ++i) {
        Pump();
        Sleep(30);
    }
    const char* target = std::getenv("TW_SCREENSHOT");
    std::string path = target && *target ? target : "skin-screenshot.bmp";
    COLORREF probe = 0;
    REQUIRE(SaveScreenshot(b.screen.Handle(), path, probe));
    MESSAGE("screenshot written to " << path);
    // What the screen shows is what the window painted, not an empty capture.
    CHECK(probe == PixelOf(b.screen.Screen(ScreenImage::Normal), 60, 40));
}

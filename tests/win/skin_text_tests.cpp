// Skinned texts, edit boxes and lists.
#include "doctest.h"

#include "platform/Gdi.h"
#include "resource.h"
#include "skin/SkinCheckList.h"
#include "skin_test_support.h"

#include <atomic>
#include <thread>

using namespace skintest;

namespace {

const COLORREF kLeft = RGB(0, 128, 128);
const COLORREF kRight = RGB(255, 160, 0);

// An owner whose normal screen image is teal on the left half and orange on the right.
struct Fixture {
    OwnerWindow owner;
    Fixture() {
        REQUIRE(owner.Open(40, 40, 300, 120));
        tw::UniqueHBitmap normal = SolidBitmap(300, 120, kLeft);
        {
            tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
            tw::SelectScope keep(dc.get(), normal.get());
            RECT right{150, 0, 300, 120};
            tw::UniqueHBrush brush(CreateSolidBrush(kRight));
            FillRect(dc.get(), &right, brush.get());
        }
        owner.SetScreen(ScreenImage::Normal, std::move(normal));
        InvalidateRect(owner.Handle(), nullptr, TRUE);
    }
};

}  // namespace

TEST_CASE("a text paints its characters over the part of the screen image it covers") {
    Fixture f;
    SkinText* text = f.owner.AddText(f.owner.Handle(),
                                     ParseTextLine("TEXT_STATUS,Arial,TRUE,TRUE,-16,0l,100,20,100,30,WWWW"));
    REQUIRE(text);
    CHECK(text->Name() == "TEXT_STATUS");
    CHECK(text->Text() == "WWWW");
    CHECK(ChildRect(text->Handle()).left == 100);
    LOGFONTA lf{};
    GetObjectA(text->Font(), sizeof lf, &lf);
    CHECK(std::string(lf.lfFaceName) == "Arial");
    CHECK(lf.lfHeight == -16);
    CHECK(lf.lfWeight == FW_BOLD);
    CHECK(lf.lfItalic);

    // Background at both sides of the cut, characters in black from the top-left corner.
    CHECK(PixelAt(text->Handle(), 2, 27) == kLeft);
    CHECK(PixelAt(text->Handle(), 97, 27) == kRight);
    int ink = 0;
    {
        tw::WindowDC dc(text->Handle());
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 40; ++x)
                if (GetPixel(dc.get(), x, y) == RGB(0, 0, 0)) ++ink;
    }
    CHECK(ink > 10);

    // A text with a colour, and a text set by name.
    SkinText* red = f.owner.AddText(f.owner.Handle(), ParseTextLine("TEXT_RED,Arial,TRUE,FALSE,-20,255,10,60,120,30,"));
    REQUIRE(red);
    CHECK(red->Text().empty());
    CHECK(red->Colour() == RGB(255, 0, 0));
    f.owner.SetTextByName("TEXT_RED", "HHHH");
    CHECK(red->Text() == "HHHH");
    int redInk = 0;
    {
        UpdateWindow(red->Handle());
        tw::WindowDC dc(red->Handle());
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 60; ++x)
                if (GetPixel(dc.get(), x, y) == RGB(255, 0, 0)) ++redInk;
    }
    CHECK(redInk > 10);
    f.owner.SetTextByName("NO_SUCH_TEXT", "ignored");
    CHECK(red->Text() == "HHHH");
}

TEST_CASE("a text shows ampersands as they are") {
    Fixture f;
    const std::string shown = "C:\\Tom & Jerry\\R&&D\\x.dll";
    SkinText* text = f.owner.AddText(f.owner.Handle(), ParseTextLine("T,Arial,FALSE,FALSE,-14,0l,0,0,280,30,"));
    REQUIRE(text);
    f.owner.SetTextByName("T", shown);
    UpdateWindow(text->Handle());
    auto ink = [](HDC dc) {
        int n = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 280; ++x)
                if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++n;
        return n;
    };
    int painted = 0;
    {
        tw::WindowDC dc(text->Handle());
        painted = ink(dc.get());
    }
    // The same characters drawn without any "&" processing.
    tw::UniqueHBitmap reference = SolidBitmap(280, 30, kLeft);
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    tw::SelectScope keep(dc.get(), reference.get());
    tw::SelectScope font(dc.get(), text->Font());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    RECT all{0, 0, 280, 30};
    DrawTextA(dc.get(), shown.c_str(), -1, &all, DT_VCENTER | DT_NOPREFIX);
    CHECK(painted > 0);
    CHECK(painted == ink(dc.get()));
}

TEST_CASE("a text changed from another thread while it paints shows one text or the other") {
    Fixture f;
    SkinText* text = f.owner.AddText(f.owner.Handle(),
                                     ParseTextLine("TEXT_ERRORSCAN_CURRENTITEM,Arial,FALSE,FALSE,-11,0l,0,0,300,40,start"));
    REQUIRE(text);
    const std::string a = "C:\\Windows\\system32\\first.dll";
    const std::string b = "D:\\Programs\\A much longer second path\\with more & more folders\\second.ocx";
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 3000; ++i) f.owner.SetTextByName("TEXT_ERRORSCAN_CURRENTITEM", i % 2 ? a : b);
        done = true;
    });
    int paints = 0, mixed = 0;
    while (!done || paints < 20) {
        InvalidateRect(text->Handle(), nullptr, TRUE);
        UpdateWindow(text->Handle());
        Pump();
        std::string painted = text->LastPainted();
        if (painted != a && painted != b && painted != "start") ++mixed;
        ++paints;
        if (paints > 100000) break;
    }
    worker.join();
    CHECK(mixed == 0);
    CHECK(paints >= 20);
}

TEST_CASE("edit boxes keep their line's font, colour and text") {
    Fixture f;
    SkinEdit* edit = f.owner.AddEdit(f.owner.Handle(),
                                     ParseTextLine("EDIT_SCAN_EVERY,Arial,TRUE,FALSE,-12,255,20,20,60,20,8"),
                                     WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL);
    REQUIRE(edit);
    CHECK(f.owner.GetEditByName("EDIT_SCAN_EVERY") == "8");
    f.owner.SetEditByName("EDIT_SCAN_EVERY", "15");
    CHECK(f.owner.GetEditByName("EDIT_SCAN_EVERY") == "15");
    SetWindowTextA(edit->Handle(), "typed");  // what the user typed is what the owner reads
    CHECK(f.owner.GetEditByName("EDIT_SCAN_EVERY") == "typed");
    CHECK(f.owner.GetEditByName("NO_SUCH_EDIT").empty());
    f.owner.SetEditByName("NO_SUCH_EDIT", "x");

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(edit->Handle(), WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    CHECK(lf.lfHeight == -12);
    CHECK(lf.lfWeight == FW_BOLD);

    tw::WindowDC dc(edit->Handle());
    LRESULT brush = SendMessageA(f.owner.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                                 reinterpret_cast<LPARAM>(edit->Handle()));
    CHECK(brush != 0);
    CHECK(GetTextColor(dc.get()) == RGB(255, 0, 0));
}

TEST_CASE("lists take their rectangle and columns from a list line") {
    Fixture f;
    SkinList list;
    REQUIRE(list.Create(f.owner.Handle(), ParseListLine("13,30,324,111,4,Type,132,Scanned,64,Bug(s),64,Fixed,64"),
                        SkinList::kScreenStyle, SkinList::kScreenExStyle, 0));
    RECT r = ChildRect(list.Handle());
    CHECK(r.left == 13);
    CHECK(r.top == 30);
    CHECK(r.right == 337);
    CHECK(r.bottom == 141);
    CHECK(list.ColumnCount() == 4);
    char title[32] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    SendMessageA(list.Handle(), LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&column));
    CHECK(std::string(title) == "Bug(s)");
    CHECK(column.cx == 64);
    CHECK((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_LEFT);
    CHECK((SendMessageA(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT) != 0);

    HWND first = list.Handle();
    REQUIRE(list.Create(f.owner.Handle(), ParseListLine("0,0,100,50,0"), SkinList::kScreenStyle, 0, 0));
    CHECK_FALSE(IsWindow(first));  // made again, not twice
    CHECK(list.ColumnCount() == 0);
}

TEST_CASE("the check-box list ticks and unticks every row from its menu") {
    Fixture f;
    SkinCheckList list;
    REQUIRE(list.CreateForPage(f.owner.Handle(), ParseListLine("0,0,250,100,3,Select,40,Type,50,FileName,150"), kListMenu));
    CHECK(GetDlgCtrlID(list.Handle()) == 1010);
    LRESULT ex = SendMessageA(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    CHECK((ex & LVS_EX_CHECKBOXES) != 0);
    CHECK((ex & LVS_EX_GRIDLINES) != 0);

    SendMessageA(list.Handle(), WM_COMMAND, ID_LIST_SELECT_ALL, 0);  // empty: nothing happens
    CHECK(list.Count() == 0);

    for (int i = 0; i < 3; ++i) {
        list.InsertRow(i, "");
        list.SetCell(i, 1, "CLSID");
        list.SetCell(i, 2, "C:\\missing" + std::to_string(i) + ".dll");
    }
    list.SetChecked(1, true);
    SendMessageA(list.Handle(), WM_COMMAND, ID_LIST_SELECT_ALL, 0);
    CHECK(list.Checked(0));
    CHECK(list.Checked(1));
    CHECK(list.Checked(2));
    SendMessageA(list.Handle(), WM_COMMAND, ID_LIST_DESELECT_ALL, 0);
    CHECK_FALSE(list.Checked(0));
    CHECK_FALSE(list.Checked(1));
    CHECK_FALSE(list.Checked(2));
    CHECK(list.Cell(2, 2) == "C:\\missing2.dll");

    tw::UniqueHMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU)));
    HMENU popup = GetSubMenu(menu.get(), 0);
    REQUIRE(popup);
    CHECK(GetMenuItemCount(popup) == 2);
    char label[32] = {};
    GetMenuStringA(popup, ID_LIST_SELECT_ALL, label, sizeof label, MF_BYCOMMAND);
    CHECK(std::string(label) == "Select All");
    GetMenuStringA(popup, ID_LIST_DESELECT_ALL, label, sizeof label, MF_BYCOMMAND);
    CHECK(std::string(label) == "Deselect All");
}

TEST_CASE("the program's other resources") {
    tw::UniqueHMenu tray(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU)));
    HMENU popup = GetSubMenu(tray.get(), 0);
    REQUIRE(popup);
    CHECK(GetMenuItemCount(popup) == 6);
    CHECK(GetMenuItemID(popup, 0) == ID_TRAY_QUICKSCAN);
    CHECK(GetMenuItemID(popup, 1) == 32779);
    CHECK(GetMenuItemID(popup, 2) == ID_TRAY_OPEN);
    CHECK(GetMenuItemID(popup, 3) == ID_TRAY_ABOUT);
    CHECK(GetMenuItemID(popup, 5) == ID_TRAY_EXIT);
    char label[64] = {};
    GetMenuStringA(popup, 0, label, sizeof label, MF_BYPOSITION);
    CHECK(std::string(label) == "Quick scan");
    GetMenuStringA(popup, 1, label, sizeof label, MF_BYPOSITION);
    CHECK(std::string(label) == "Backups...");
    GetMenuStringA(popup, 2, label, sizeof label, MF_BYPOSITION);
    CHECK(std::string(label) == "Open Tidewarp");
    GetMenuStringA(popup, 3, label, sizeof label, MF_BYPOSITION);
    CHECK(std::string(label) == "About Tidewarp");
    CHECK(LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, label, sizeof label) > 0);
    CHECK(std::string(label) == "&About Tidewarp...");
    CHECK(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)) != nullptr);
    CHECK(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY)) != nullptr);
    CHECK(FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_ABOUTBOX), RT_DIALOG) != nullptr);
}

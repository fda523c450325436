// Elements changed from worker threads, and elements as assistive tools read them.
#include "doctest.h"

#include "skin/SkinPanel.h"
#include "skin_test_support.h"

#include <functional>
#include <string>

using namespace skintest;

namespace {

// A worker thread the test can wait for with WaitForSingleObject.
class Worker {
public:
    explicit Worker(std::function<void()> work) : work_(std::move(work)) {
        thread_.reset(CreateThread(nullptr, 0, &Worker::Entry, this, 0, nullptr));
    }
    ~Worker() {
        // A worker stuck in a send to this thread is freed by pumping.
        HANDLE thread = thread_.get();
        while (thread && MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) != WAIT_OBJECT_0) Pump();
    }
    HANDLE handle() const { return thread_.get(); }

private:
    static DWORD WINAPI Entry(void* self) {
        static_cast<Worker*>(self)->work_();
        return 0;
    }
    std::function<void()> work_;
    tw::UniqueHandle thread_;
};

}  // namespace

TEST_CASE("a worker changes every kind of element while the window thread waits for it") {
    OwnerWindow owner;
    REQUIRE(owner.Open(40, 40, 300, 200));
    owner.SetScreen(ScreenImage::Normal, SolidBitmap(300, 200, RGB(0, 128, 128)));
    SkinButton* box = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_COM,10,10,20,20,TRUE"), ButtonText::Empty);
    SkinButton* push = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_SCAN,40,10,40,20,FALSE"), ButtonText::Empty);
    SkinText* text = owner.AddText(owner.Handle(), ParseTextLine("TEXT_ITEM,Arial,FALSE,FALSE,-11,0l,90,10,200,20,"));
    SkinEdit* edit = owner.AddEdit(owner.Handle(), ParseTextLine("EDIT_DAYS,Arial,FALSE,FALSE,-11,0l,10,40,60,20,1"),
                                   WS_VISIBLE | ES_AUTOHSCROLL);
    SkinPanel page;
    REQUIRE(page.Create(owner.Handle(), ParseScreenLine("SUBMAIN_X,x.bmp,x.bmp,x.bmp,x.bmp,0,70,300,120"), "", 0));
    SkinCheckList list;
    REQUIRE(list.CreateForPage(page.Handle(), ParseListLine("0,0,300,120,2,Type,60,File,200"), kListMenu));
    REQUIRE((box && push && text && edit));

    const int rounds = 1500;
    Worker worker([&] {
        for (int i = 0; i < rounds; ++i) {
            owner.SetTextByName("TEXT_ITEM", "C:\\item" + std::to_string(i));
            owner.SetButtonChecked("BUTTON_COM", i % 2 == 0);
            owner.EnableButton("BUTTON_SCAN", i % 2 == 0);
            owner.EnableAllButtons(i % 3 == 0);
            owner.SetEditByName("EDIT_DAYS", std::to_string(i));
            if (owner.GetEditByName("EDIT_DAYS") != std::to_string(i)) break;
            page.Show(i % 2 == 0);
            if (i % 200 == 0) list.DeleteAll();
            int row = list.InsertRow(list.Count(), "");
            list.SetCell(row, 1, "C:\\file" + std::to_string(i) + ".dll");
            list.SetChecked(row, i % 3 == 0);
        }
        owner.SetTextByName("TEXT_ITEM", "done");
        owner.SetButtonChecked("BUTTON_COM", true);
        owner.EnableAllButtons(true);
        owner.EnableButton("BUTTON_SCAN", false);
        owner.SetEditByName("EDIT_DAYS", "final");
        page.Show(true);
    });
    // No message loop here: a worker that sent to this thread would never finish.
    REQUIRE(WaitForSingleObject(worker.handle(), 20000) == WAIT_OBJECT_0);
    CHECK(owner.GetEditByName("EDIT_DAYS") == "final");
    CHECK(list.Count() == (rounds - 1) % 200 + 1);

    Pump();  // the window thread now shows the last state of every element
    CHECK(IsWindowEnabled(box->Handle()));
    CHECK_FALSE(IsWindowEnabled(push->Handle()));
    CHECK(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(IsWindowVisible(page.Handle()));
    char typed[16] = {};
    GetWindowTextA(edit->Handle(), typed, sizeof typed);
    CHECK(std::string(typed) == "final");
    CHECK(text->Text() == "done");
    HWND view = list.Handle();
    REQUIRE(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) == list.Count());
    int differ = 0;
    for (int row = 0; row < list.Count(); ++row) {
        char cell[64] = {};
        ListView_GetItemText(view, row, 1, cell, sizeof cell);
        if (cell != list.Cell(row, 1) || (ListView_GetCheckState(view, row) != 0) != list.Checked(row)) ++differ;
    }
    CHECK(differ == 0);
    CHECK(list.Cell(0, 1) == "C:\\file1400.dll");
    CHECK(list.Checked(1) == (1401 % 3 == 0));

    // A tick the user makes in the control comes back into the rows.
    REQUIRE_FALSE(list.Checked(0));
    ClickCheckBox(view, 0);
    CHECK(list.Checked(0));
}

TEST_CASE("assistive tools read what the elements show") {
    OwnerWindow owner;
    REQUIRE(owner.Open(40, 40, 300, 100));
    SkinText* text = owner.AddText(owner.Handle(), ParseTextLine("TEXT_ITEM,Arial,FALSE,FALSE,-11,0l,0,0,200,20,first"));
    SkinButton* box = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_COM,0,30,20,20,TRUE"), ButtonText::Empty);
    SkinButton* push = owner.AddButton(owner.Handle(), ParseButtonLine("BUTTON_SCAN,30,30,40,20,FALSE"), ButtonText::Empty);
    REQUIRE((text && box && push));

    const std::string shown = "C:\\M\xFCll\\x.dll";  // u-umlaut in the ANSI code page
    owner.SetTextByName("TEXT_ITEM", shown);
    char narrow[64] = {};
    CHECK(SendMessageA(text->Handle(), WM_GETTEXT, sizeof narrow, reinterpret_cast<LPARAM>(narrow)) ==
          static_cast<LRESULT>(shown.size()));
    CHECK(std::string(narrow) == shown);
    wchar_t wide[64] = {};
    SendMessageW(text->Handle(), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(wide));
    CHECK(std::wstring(wide) == L"C:\\M\u00FCll\\x.dll");
    CHECK(GetWindowTextLengthA(text->Handle()) >= static_cast<int>(shown.size()));
    char cut[5] = {};
    SendMessageA(text->Handle(), WM_GETTEXT, sizeof cut, reinterpret_cast<LPARAM>(cut));
    CHECK(std::string(cut) == "C:\\M");

    CHECK(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
    owner.SetButtonChecked("BUTTON_COM", true);
    CHECK(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    owner.SetButtonChecked("BUTTON_SCAN", true);  // a push button's check is a look, not a state
    CHECK(SendMessageA(push->Handle(), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
}

// The window layer: attaching objects to windows, reflection, dialogs and user-interface threads.
#include "doctest.h"

#include <thread>

#include "platform/Dialog.h"
#include "platform/UiThread.h"
#include "platform/Window.h"
#include "resource.h"

#include <commctrl.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

const UINT kPing = WM_APP + 1;
const UINT kThrow = WM_APP + 2;

class Probe : public tw::Window {
public:
    int detached = 0;

protected:
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == kPing) {
            result = 42;
            return true;
        }
        if (msg == kThrow) throw std::runtime_error("handler failed");
        return false;
    }
    void OnDetached() override { ++detached; }
};

// Records what its parent reflects to it, already cracked.
class Recorder : public tw::Window {
public:
    std::vector<UINT> reflected;
    UINT lastCode = 0;
    int lastPosition = 0;
    HBRUSH brush = reinterpret_cast<HBRUSH>(7);

protected:
    bool OnReflectedDrawItem(const DRAWITEMSTRUCT&) override { return Note(WM_DRAWITEM); }
    bool OnReflectedMeasureItem(MEASUREITEMSTRUCT& item) override {
        item.itemHeight = 31;
        return Note(WM_MEASUREITEM);
    }
    bool OnReflectedCompareItem(const COMPAREITEMSTRUCT& items, int& order) override {
        order = static_cast<int>(items.itemData1) - static_cast<int>(items.itemData2);
        return Note(WM_COMPAREITEM);
    }
    bool OnReflectedDeleteItem(const DELETEITEMSTRUCT&) override { return Note(WM_DELETEITEM); }
    bool OnReflectedColour(UINT kind, HDC, HBRUSH& out) override {
        out = brush;
        return Note(kind);
    }
    bool OnReflectedCommand(UINT code) override {
        lastCode = code;
        return Note(WM_COMMAND);
    }
    bool OnReflectedNotify(NMHDR& header, LRESULT& result) override {
        lastCode = header.code;
        result = 7;
        return Note(WM_NOTIFY);
    }
    bool OnReflectedScroll(bool vertical, UINT code, int position) override {
        lastCode = code;
        lastPosition = position;
        return Note(vertical ? WM_VSCROLL : WM_HSCROLL);
    }

private:
    bool Note(UINT msg) {
        reflected.push_back(msg);
        return true;
    }
};

// A window of our own class: what it saw first, and its messages cracked.
class OwnWindow : public tw::Window {
public:
    std::vector<UINT> early;  // the first messages, in order
    bool refuse = false;
    std::vector<std::string> typed;

protected:
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (early.size() < 40) early.push_back(msg);
        if (msg == WM_NCCREATE && refuse) {
            result = FALSE;
            return true;
        }
        return false;
    }
    bool OnCommand(UINT code, UINT id, HWND control) override {
        typed.push_back("command " + std::to_string(code) + " " + std::to_string(id) + (control ? " control" : ""));
        return true;
    }
    bool OnNotify(NMHDR& header, LRESULT& result) override {
        typed.push_back("notify " + std::to_string(header.idFrom) + " " + std::to_string(static_cast<int>(header.code)));
        result = 5;
        return true;
    }
    bool OnTimer(UINT_PTR id) override {
        typed.push_back("timer " + std::to_string(id));
        return true;
    }
};

// A subclassed control whose link of the chain can be dropped while the window lives on.
class Droppable : public tw::Window {
public:
    void Drop() { Detach(); }
    int seen = 0;

protected:
    bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) override {
        ++seen;
        return false;
    }
};

LRESULT CALLBACK CountingSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(window, msg, wp, lp);
}

RECT Box(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

bool Contains(const std::vector<UINT>& v, UINT m) {
    for (UINT x : v)
        if (x == m) return true;
    return false;
}

class AutoCloseDialog : public tw::Dialog {
public:
    AutoCloseDialog() : Dialog(IDD_SKIN_DIALOG) {}
    bool initialised = false;
    RECT window{}, client{};

protected:
    bool OnInitDialog() override {
        initialised = true;
        GetWindowRect(Handle(), &window);
        GetClientRect(Handle(), &client);
        PostMessageA(Handle(), WM_COMMAND, IDOK, 0);
        return true;
    }
};

class DialogThread : public tw::UiThread {
public:
    explicit DialogThread(bool succeed) : succeed_(succeed) {}
    tw::Dialog dialog{IDD_SKIN_DIALOG};
    int exits = 0;

protected:
    bool InitInstance() override {
        if (!succeed_ || !dialog.CreateModeless(nullptr)) return false;
        SetMainWindow(&dialog);
        return true;
    }
    int ExitInstance() override {
        ++exits;
        return 3;
    }

private:
    bool succeed_;
};

// A thread whose window, asked to, runs a loop of its own that pumps messages while it waits and
// swallows WM_QUIT, as wait loops and some modal loops do.
class NestingThread : public tw::UiThread {
public:
    static const UINT kNest = WM_APP + 3;
    class Host : public tw::Dialog {
    public:
        explicit Host(NestingThread& thread) : Dialog(IDD_SKIN_DIALOG), thread_(thread) {}

    protected:
        bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
            if (msg != kNest) return Dialog::OnMessage(msg, wp, lp, result);
            SetEvent(thread_.entered.get());
            while (WaitForSingleObject(thread_.release.get(), 0) != WAIT_OBJECT_0) {
                MSG m;
                while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
                    if (m.message == WM_QUIT)
                        ++thread_.swallowed;
                    else
                        DispatchMessageA(&m);
                Sleep(1);
            }
            return true;
        }

    private:
        NestingThread& thread_;
    };
    Host host{*this};
    tw::UniqueHandle entered{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    tw::UniqueHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> swallowed{0};

protected:
    bool InitInstance() override { return host.CreateModeless(nullptr); }
};

}  // namespace

TEST_CASE("a window made through the layer finds its object and lets go of it when destroyed") {
    Probe probe;
    REQUIRE(probe.Create("STATIC", "probe", WS_POPUP, 0, Box(0, 0, 50, 20), nullptr, 0));
    HWND window = probe.Handle();
    CHECK(tw::Window::FromHandle(window) == &probe);
    CHECK(SendMessageA(window, kPing, 0, 0) == 42);
    // Each thread looks up only its own windows (no lock): another thread finds none.
    tw::Window* elsewhere = &probe;
    std::thread([&] { elsewhere = tw::Window::FromHandle(window); }).join();
    CHECK(elsewhere == nullptr);
    CHECK(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0) == 5);  // unhandled messages reach the control

    DestroyWindow(window);
    CHECK(probe.Handle() == nullptr);
    CHECK(probe.detached == 1);
    CHECK_FALSE(IsWindow(window));

    // The object can make a new window; destroying the object destroys that window.
    HWND second = nullptr;
    {
        Probe owner;
        REQUIRE(owner.Create("STATIC", "", WS_POPUP, 0, Box(0, 0, 10, 10), nullptr, 0));
        second = owner.Handle();
        CHECK(IsWindow(second));
    }
    CHECK_FALSE(IsWindow(second));
}

TEST_CASE("an exception in a handler stops at the window procedure") {
    Probe probe;
    REQUIRE(probe.Create("STATIC", "", WS_POPUP, 0, Box(0, 0, 10, 10), nullptr, 0));
    CHECK(SendMessageA(probe.Handle(), kThrow, 0, 0) == 0);
    CHECK(SendMessageA(probe.Handle(), kPing, 0, 0) == 42);
}

TEST_CASE("a parent hands the messages about a child to the child's wrapper, cracked") {
    Probe parent;
    REQUIRE(parent.Create("STATIC", "", WS_POPUP | WS_VISIBLE, 0, Box(0, 0, 120, 60), nullptr, 0));
    Recorder child;
    REQUIRE(child.Create("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, Box(5, 5, 40, 20), parent.Handle(), 9));
    UpdateWindow(parent.Handle());
    UpdateWindow(child.Handle());
    CHECK(Contains(child.reflected, WM_DRAWITEM));
    HWND parentWindow = parent.Handle();
    auto send = [&](UINT msg, WPARAM wp, const void* lp) {
        return SendMessageA(parentWindow, msg, wp, reinterpret_cast<LPARAM>(lp));
    };

    HDC dc = GetDC(child.Handle());
    CHECK(send(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), child.Handle()) == 7);
    CHECK(send(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), child.Handle()) == 7);
    ReleaseDC(child.Handle(), dc);
    NMHDR header{child.Handle(), 9, NM_CLICK};
    CHECK(send(WM_NOTIFY, 9, &header) == 7);
    CHECK(child.lastCode == static_cast<UINT>(NM_CLICK));
    send(WM_COMMAND, MAKEWPARAM(9, BN_DOUBLECLICKED), child.Handle());
    CHECK(child.lastCode == BN_DOUBLECLICKED);
    send(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), child.Handle());
    CHECK(child.lastPosition == 40);
    send(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), child.Handle());
    CHECK(child.lastCode == SB_LINEDOWN);

    MEASUREITEMSTRUCT measure{ODT_LISTBOX, 9, 0, 0, 10, 0};
    CHECK(send(WM_MEASUREITEM, 9, &measure) == TRUE);
    CHECK(measure.itemHeight == 31);
    measure.CtlID = 0;  // identifier 0 names no control: not reflected
    measure.itemHeight = 10;
    send(WM_MEASUREITEM, 0, &measure);
    CHECK(measure.itemHeight == 10);
    COMPAREITEMSTRUCT compare{ODT_LISTBOX, 9, child.Handle(), 0, 5, 1, 2, 0};
    CHECK(send(WM_COMPAREITEM, 9, &compare) == 1);
    DELETEITEMSTRUCT removed{ODT_LISTBOX, 9, 0, child.Handle(), 0};
    send(WM_DELETEITEM, 9, &removed);
    for (UINT m : {WM_CTLCOLORBTN, WM_CTLCOLORDLG, WM_NOTIFY, WM_COMMAND, WM_HSCROLL, WM_VSCROLL, WM_MEASUREITEM,
                   WM_COMPAREITEM, WM_DELETEITEM})
        CHECK(Contains(child.reflected, m));

    // A message naming a window without a wrapper is the parent's own business.
    header.hwndFrom = parent.Handle();
    CHECK(send(WM_NOTIFY, 9, &header) == 0);
}

TEST_CASE("a window of our own class sees its first messages and gets its messages cracked") {
    OwnWindow own;
    REQUIRE(own.CreateOwn("own", WS_OVERLAPPEDWINDOW, 0, Box(10, 10, 200, 100), nullptr, 0));
    REQUIRE(own.early.size() >= 3);
    CHECK(own.early[0] == WM_NCCREATE);
    CHECK(Contains(own.early, WM_CREATE));
    ShowWindow(own.Handle(), SW_SHOWNA);
    CHECK(Contains(own.early, WM_SIZE));
    CHECK(SendMessageA(own.Handle(), WM_GETTEXTLENGTH, 0, 0) == 3);  // unhandled: DefWindowProc

    HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, own.Handle(), nullptr, nullptr, nullptr);
    SendMessageA(own.Handle(), WM_COMMAND, MAKEWPARAM(12, 3), reinterpret_cast<LPARAM>(control));
    SendMessageA(own.Handle(), WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    NMHDR header{control, 77, static_cast<UINT>(-2)};
    CHECK(SendMessageA(own.Handle(), WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&header)) == 5);
    SendMessageA(own.Handle(), WM_TIMER, 3, 0);
    CHECK(own.typed == std::vector<std::string>{"command 3 12 control", "command 0 40001", "notify 77 -2", "timer 3"});
    HWND window = own.Handle();
    DestroyWindow(window);
    CHECK(own.Handle() == nullptr);

    OwnWindow refused;
    refused.refuse = true;
    CHECK_FALSE(refused.CreateOwn("", WS_POPUP, 0, Box(0, 0, 10, 10), nullptr, 0));
    CHECK(refused.Handle() == nullptr);
}

TEST_CASE("letting go of a subclass keeps the subclasses installed after it") {
    Droppable ours;
    REQUIRE(ours.Create("BUTTON", "", WS_POPUP | BS_AUTOCHECKBOX, 0, Box(0, 0, 40, 20), nullptr, 0));
    HWND window = ours.Handle();
    int foreign = 0;
    REQUIRE(SetWindowSubclass(window, &CountingSubclass, 5, reinterpret_cast<DWORD_PTR>(&foreign)));
    SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
    CHECK(ours.seen > 0);
    ours.Drop();
    CHECK(tw::Window::FromHandle(window) == nullptr);
    int before = foreign, seen = ours.seen;
    // The button's own procedure still answers, and the later subclass still hears every message.
    CHECK(SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(foreign == before + 1);
    CHECK(ours.seen == seen);
    RemoveWindowSubclass(window, &CountingSubclass, 5);
    DestroyWindow(window);
}

TEST_CASE("dialogs run modal and modeless from the skinned template") {
    AutoCloseDialog modal;
    CHECK(modal.RunModal(nullptr) == IDOK);
    CHECK(modal.initialised);
    CHECK(modal.Handle() == nullptr);
    // The template has no caption: its modal frame is the only border around the client area.
    int frame = modal.client.right > 0 ? ((modal.window.right - modal.window.left) - modal.client.right) / 2 : -1;
    CHECK(frame == GetSystemMetrics(SM_CXDLGFRAME));

    tw::Dialog modeless(IDD_SKIN_DIALOG);
    REQUIRE(modeless.CreateModeless(nullptr));
    HWND window = modeless.Handle();
    LONG style = GetWindowLongA(window, GWL_STYLE);
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & WS_CAPTION) != WS_CAPTION);
    CHECK(IsWindowVisible(window));
    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);  // Escape ends a modeless dialog by destroying it
    CHECK(modeless.Handle() == nullptr);
    CHECK(modeless.Result() == IDCANCEL);
    CHECK_FALSE(IsWindow(window));
}

TEST_CASE("a user-interface thread runs its own loop until its window is gone") {
    DialogThread thread(true);
    REQUIRE(thread.Start());
    HWND window = thread.dialog.Handle();
    REQUIRE(window != nullptr);
    CHECK(GetWindowThreadProcessId(window, nullptr) == thread.ThreadId());
    CHECK_FALSE(thread.Wait(50));
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    REQUIRE(thread.Wait(5000));
    DWORD code = 0;
    GetExitCodeThread(thread.ThreadHandle(), &code);
    CHECK(code == 3);
    CHECK(thread.exits == 1);

    DialogThread failing(false);
    CHECK_FALSE(failing.Start());
    CHECK(failing.Wait(5000));
}

TEST_CASE("a request to quit made while a loop of the thread swallows WM_QUIT still ends the thread") {
    NestingThread thread;
    REQUIRE(thread.Start());
    PostMessageA(thread.host.Handle(), NestingThread::kNest, 0, 0);
    REQUIRE(WaitForSingleObject(thread.entered.get(), 5000) == WAIT_OBJECT_0);
    CHECK_FALSE(thread.QuitRequested());
    thread.PostQuit();
    for (int i = 0; i < 500 && thread.swallowed == 0; ++i) Sleep(10);
    CHECK(thread.swallowed == 1);
    CHECK(thread.QuitRequested());
    SetEvent(thread.release.get());
    bool ended = thread.Wait(5000);
    CHECK(ended);
    if (!ended) PostThreadMessageA(thread.ThreadId(), WM_QUIT, 0, 0);  // let the destructor's wait end
}

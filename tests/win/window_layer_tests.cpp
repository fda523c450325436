// The window layer: attaching objects to windows, reflection, dialogs and user-interface threads.
#include "doctest.h"

#include "platform/Dialog.h"
#include "platform/UiThread.h"
#include "platform/Window.h"
#include "resource.h"

#include <commctrl.h>

#include <stdexcept>
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

class Recorder : public tw::Window {
public:
    std::vector<UINT> reflected;

protected:
    bool OnReflected(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        reflected.push_back(msg);
        result = 7;
        return true;
    }
};

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

}  // namespace

TEST_CASE("a window made through the layer finds its object and lets go of it when destroyed") {
    Probe probe;
    REQUIRE(probe.Create("STATIC", "probe", WS_POPUP, 0, Box(0, 0, 50, 20), nullptr, 0));
    HWND window = probe.Handle();
    CHECK(tw::Window::FromHandle(window) == &probe);
    CHECK(SendMessageA(window, kPing, 0, 0) == 42);
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

TEST_CASE("a parent hands draw, colour, notify and command messages to the child's wrapper") {
    Probe parent;
    REQUIRE(parent.Create("STATIC", "", WS_POPUP | WS_VISIBLE, 0, Box(0, 0, 120, 60), nullptr, 0));
    Recorder child;
    REQUIRE(child.Create("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, Box(5, 5, 40, 20), parent.Handle(), 9));
    UpdateWindow(parent.Handle());
    UpdateWindow(child.Handle());
    CHECK(Contains(child.reflected, WM_DRAWITEM));

    HDC dc = GetDC(child.Handle());
    CHECK(SendMessageA(parent.Handle(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(child.Handle())) == 7);
    ReleaseDC(child.Handle(), dc);
    NMHDR header{child.Handle(), 9, NM_CLICK};
    CHECK(SendMessageA(parent.Handle(), WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header)) == 7);
    CHECK(SendMessageA(parent.Handle(), WM_COMMAND, MAKEWPARAM(9, BN_CLICKED),
                       reinterpret_cast<LPARAM>(child.Handle())) == 7);
    CHECK(Contains(child.reflected, WM_NOTIFY));
    CHECK(Contains(child.reflected, WM_COMMAND));

    // A message naming a window without a wrapper is the parent's own business.
    header.hwndFrom = parent.Handle();
    CHECK(SendMessageA(parent.Handle(), WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header)) == 0);
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

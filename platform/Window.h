// The window layer: an object attached to one window, found again from its handle in a static
// procedure. Controls are created from their system classes and subclassed; dialogs attach in
// their own procedure (Dialog.h).
//
// Rules every derived class can rely on:
//  - no exception leaves a window procedure (it is caught and the message answered with 0);
//  - a parent hands WM_DRAWITEM, WM_CTLCOLOR*, WM_NOTIFY and control WM_COMMAND to the wrapper of
//    the child that sent them (OnReflected) before its own OnMessage sees them;
//  - after WM_NCDESTROY the object is detached and Handle() is null; destroying the object
//    destroys a window that still exists, after detaching, so a dying window never calls into a
//    half-destroyed object. A class whose children or other bases are destroyed before this base
//    (and whose handlers use them) calls Destroy() in its own destructor.
#pragma once

#include <windows.h>

namespace tw {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return hwnd_; }

    // The object attached to a window by this layer, or null.
    static Window* FromHandle(HWND window) noexcept;

    // CreateWindowExA of a system class (or any registered class), then Subclass. The rectangle is
    // in the parent's client coordinates. False when the window could not be made.
    bool Create(const char* className, const char* text, DWORD style, DWORD exStyle, const RECT& rect,
                HWND parent, UINT id);

    // Attaches this object to an existing window and routes its messages through OnMessage.
    bool Subclass(HWND window);

    // Destroys the window (if any); the object stays usable for a new Create.
    void Destroy();

protected:
    // Return true when the message is handled; result is then the answer. Unhandled messages go to
    // the window's previous procedure (or, in a dialog, to the dialog manager).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // A message the parent received on this control's behalf. Return true when handled.
    virtual bool OnReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Called at WM_NCDESTROY once the object is detached; Handle() is already null.
    virtual void OnDetached() {}

    // The previous procedure's answer, for messages a derived class extends rather than replaces.
    LRESULT CallDefault(UINT msg, WPARAM wp, LPARAM lp);

    // Reflection, then OnMessage, with every exception caught. True when handled.
    bool Route(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

    void Attach(HWND window) noexcept;
    void Detach() noexcept;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
    static bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, HWND self);

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace tw

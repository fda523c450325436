// The window layer: an object attached to one window, found again from its handle. Windows of the
// program's own class are attached at WM_NCCREATE; controls are created from their system classes
// and subclassed through SetWindowSubclass; dialogs attach in their own procedure (Dialog.h).
//
// Rules every derived class can rely on:
//  - no exception leaves a window procedure (it is caught and the message answered with 0);
//  - messages arrive cracked: WM_COMMAND as OnCommand, WM_NOTIFY as OnNotify, WM_TIMER as OnTimer,
//    everything else (and what those leave unhandled) as OnMessage;
//  - a parent hands the messages a child sends about itself (drawing, measuring, comparing and
//    deleting items, colours, commands, notifications, scroll bars) to that child's wrapper before
//    its own handlers see them, through the OnReflected* handlers;
//  - after WM_NCDESTROY the object is detached and Handle() is null; destroying the object
//    destroys a window that still exists, after detaching, so a dying window never calls into a
//    half-destroyed object. A class whose children or other bases are destroyed before this base
//    (and whose handlers use them) calls Destroy() in its own destructor.
//  - RequestApply never sends to or waits for the window's thread (see there).
#pragma once

#include <windows.h>

#include <atomic>

namespace tw {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return hwnd_; }

    // The object attached to a window of the calling thread by this layer, or null (always for a
    // window of another thread).
    static Window* FromHandle(HWND window) noexcept;

    // A window of the program's own class. The object is attached before WM_NCCREATE reaches it,
    // so its handlers see WM_NCCREATE, WM_CREATE and the first WM_SIZE. Unhandled messages go to
    // DefWindowProcA. The rectangle is in the parent's client coordinates (screen for pop-ups).
    bool CreateOwn(const char* text, DWORD style, DWORD exStyle, const RECT& rect, HWND parent, UINT id);

    // CreateWindowExA of a system class (or any registered class), then Subclass. False when the
    // window could not be made.
    bool Create(const char* className, const char* text, DWORD style, DWORD exStyle, const RECT& rect,
                HWND parent, UINT id);

    // Attaches this object to an existing window of this thread and routes its messages through
    // the handlers. Subclasses installed by anyone after us stay intact when we let go.
    bool Subclass(HWND window);

    // Destroys the window (if any); the object stays usable for a new Create.
    void Destroy();

    // True on the thread that owns the window (and when there is no window).
    bool OnWindowThread() const noexcept;

protected:
    virtual bool OnCommand(UINT /*code*/, UINT /*id*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    // Return true when the message is handled; result is then the answer. Unhandled messages go to
    // the window's class procedure (or, in a dialog, to the dialog manager).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Messages the parent received about this control. Return true when handled.
    virtual bool OnReflectedDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool OnReflectedMeasureItem(MEASUREITEMSTRUCT& /*item*/) { return false; }
    // order: negative, 0 or positive as the first item sorts before, with or after the second.
    virtual bool OnReflectedCompareItem(const COMPAREITEMSTRUCT& /*items*/, int& /*order*/) { return false; }
    virtual bool OnReflectedDeleteItem(const DELETEITEMSTRUCT& /*item*/) { return false; }
    // WM_CTLCOLOR* (kind is the message): the brush to paint the background with.
    virtual bool OnReflectedColour(UINT /*kind*/, HDC /*dc*/, HBRUSH& /*brush*/) { return false; }
    virtual bool OnReflectedCommand(UINT /*code*/) { return false; }
    virtual bool OnReflectedNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // WM_HSCROLL / WM_VSCROLL from a scroll-bar or track-bar control.
    virtual bool OnReflectedScroll(bool /*vertical*/, UINT /*code*/, int /*position*/) { return false; }

    // Called at WM_NCDESTROY once the object is detached; Handle() is already null.
    virtual void OnDetached() {}

    // State the object keeps changed, possibly on another thread. On the window's thread OnApply
    // runs at once; on any other thread one request is posted to the window (requests made while
    // one waits are merged) and OnApply runs there later. Never sends, never waits.
    void RequestApply() noexcept;
    // Makes the window show the object's current state; runs on the window's thread.
    virtual void OnApply() {}

    // The class procedure's answer, for messages a derived class extends rather than replaces.
    LRESULT CallDefault(UINT msg, WPARAM wp, LPARAM lp);

    // Reflection, then the typed handlers and OnMessage, with every exception caught. True when
    // handled.
    bool Route(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

    void Attach(HWND window) noexcept;
    void Detach() noexcept;

private:
    // Attached: by a procedure of someone else's (a dialog's), which answers what we leave.
    enum class Kind { None, Attached, OwnClass, Subclassed };

    static LRESULT CALLBACK OwnClassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    static bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, HWND self);
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    HWND hwnd_ = nullptr;
    Kind kind_ = Kind::None;
    std::atomic<bool> applyPending_{false};
};

}  // namespace tw

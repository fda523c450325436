#include "platform/Window.h"

#include <commctrl.h>

#include <unordered_map>

namespace tw {

namespace {

const char kOwnClassName[] = "Tidewarp.Window";

// The objects attached to the windows of the calling thread, by handle. Looked up for nearly every
// message, so it stays in the process (a window property would ask the window server each time)
// and in the thread: a window's messages, and its attaching and detaching, all happen on the thread
// that owns it, so no lock is needed. The thread's map exists while it has windows attached; the
// thread-local variable is a plain pointer, as threads made by CreateThread run no destructors of
// thread-local objects.
using ObjectMap = std::unordered_map<HWND, Window*>;
thread_local ObjectMap* attached = nullptr;

Window* FindAttached(HWND window) {
    if (!attached) return nullptr;
    auto at = attached->find(window);
    return at == attached->end() ? nullptr : at->second;
}

bool AddAttached(HWND window, Window* object) noexcept {
    try {
        if (!attached) attached = new ObjectMap;
        (*attached)[window] = object;
        return true;
    } catch (...) {
        return false;
    }
}

// Only the entry of this object: a handle reused since names someone else.
void RemoveAttached(HWND window, Window* object) {
    if (!attached) return;
    auto at = attached->find(window);
    if (at != attached->end() && at->second == object) attached->erase(at);
    if (attached->empty()) {
        delete attached;
        attached = nullptr;
    }
}

const UINT_PTR kSubclassId = 1;

// The request RequestApply posts; registered, so no window's own WM_APP numbers can collide.
UINT ApplyMessage() {
    static const UINT message = RegisterWindowMessageA("Tidewarp.Apply");
    return message;
}

bool IsColourMessage(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// The child a message is about, or null when it is the receiver's own business.
HWND ReflectionTarget(HWND receiver, UINT msg, LPARAM lp) {
    if (!lp) return nullptr;
    if (IsColourMessage(msg)) return reinterpret_cast<HWND>(lp);
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        return item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
        // Only an identifier names the control; 0 is shared by many of ours and names none.
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lp);
        return item->CtlType != ODT_MENU && item->CtlID != 0 ? GetDlgItem(receiver, static_cast<int>(item->CtlID))
                                                             : nullptr;
    }
    case WM_COMPAREITEM:
        return reinterpret_cast<const COMPAREITEMSTRUCT*>(lp)->hwndItem;
    case WM_DELETEITEM:
        return reinterpret_cast<const DELETEITEMSTRUCT*>(lp)->hwndItem;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(lp);  // null for menus, accelerators and the own scroll bars
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    default:
        return nullptr;
    }
}

}  // namespace

Window::~Window() { Destroy(); }

Window* Window::FromHandle(HWND window) noexcept {
    if (!window) return nullptr;
    return FindAttached(window);
}

bool Window::CreateOwn(const char* text, DWORD style, DWORD exStyle, const RECT& rect, HWND parent, UINT id) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Window::OwnClassProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kOwnClassName;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    Destroy();
    if (!registered) return false;
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND window = CreateWindowExA(exStyle, kOwnClassName, text, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, menuOrId, GetModuleHandleA(nullptr), this);
    if (!window) Detach();  // refused in WM_NCCREATE or WM_CREATE: already gone
    return window != nullptr && hwnd_ == window;
}

bool Window::Create(const char* className, const char* text, DWORD style, DWORD exStyle, const RECT& rect,
                    HWND parent, UINT id) {
    Destroy();
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND window = CreateWindowExA(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, menuOrId, GetModuleHandleA(nullptr), nullptr);
    if (!window) return false;
    if (!Subclass(window)) {
        DestroyWindow(window);
        return false;
    }
    return true;
}

bool Window::Subclass(HWND window) {
    if (hwnd_ || !window || FromHandle(window)) return false;
    if (!AddAttached(window, this)) return false;
    if (!SetWindowSubclass(window, &Window::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        RemoveAttached(window, this);
        return false;
    }
    hwnd_ = window;
    kind_ = Kind::Subclassed;
    return true;
}

void Window::Destroy() {
    HWND window = hwnd_;
    if (!window) return;
    Detach();
    DestroyWindow(window);
}

bool Window::OnWindowThread() const noexcept {
    HWND window = hwnd_;
    return !window || GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

void Window::Attach(HWND window) noexcept {
    hwnd_ = window;
    kind_ = Kind::Attached;
    AddAttached(window, this);
}

void Window::Detach() noexcept {
    HWND window = hwnd_;
    if (!window) return;
    // Only our own link of the chain goes; whoever subclassed before or after us keeps theirs.
    if (kind_ == Kind::Subclassed) RemoveWindowSubclass(window, &Window::SubclassProc, kSubclassId);
    RemoveAttached(window, this);
    hwnd_ = nullptr;
    kind_ = Kind::None;
}

void Window::RequestApply() noexcept {
    HWND window = hwnd_;
    if (!window) return;
    if (OnWindowThread()) {
        try {
            OnApply();
        } catch (...) {
            OutputDebugStringA("Tidewarp: an exception was stopped while a window took new state\n");
        }
        return;
    }
    if (applyPending_.exchange(true)) return;  // the waiting request will apply this change too
    if (!PostMessageA(window, ApplyMessage(), 0, 0)) applyPending_ = false;
}

bool Window::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Window::CallDefault(UINT msg, WPARAM wp, LPARAM lp) {
    switch (kind_) {
    case Kind::OwnClass:
        return DefWindowProcA(hwnd_, msg, wp, lp);
    case Kind::Subclassed:
        return DefSubclassProc(hwnd_, msg, wp, lp);
    default:
        return 0;
    }
}

bool Window::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, HWND self) {
    HWND target = ReflectionTarget(self, msg, lp);
    if (!target || target == self) return false;
    Window* child = FromHandle(target);
    return child && child->Reflected(msg, wp, lp, result);
}

bool Window::Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (IsColourMessage(msg)) {
        HBRUSH brush = nullptr;
        if (!OnReflectedColour(msg, reinterpret_cast<HDC>(wp), brush)) return false;
        result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    bool handled = false;
    result = 0;
    switch (msg) {
    case WM_DRAWITEM:
        handled = OnReflectedDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        break;
    case WM_MEASUREITEM:
        handled = OnReflectedMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
        result = TRUE;
        break;
    case WM_COMPAREITEM: {
        int order = 0;
        handled = OnReflectedCompareItem(*reinterpret_cast<const COMPAREITEMSTRUCT*>(lp), order);
        result = order < 0 ? -1 : (order > 0 ? 1 : 0);
        break;
    }
    case WM_DELETEITEM:
        handled = OnReflectedDeleteItem(*reinterpret_cast<const DELETEITEMSTRUCT*>(lp));
        result = TRUE;
        break;
    case WM_COMMAND:
        handled = OnReflectedCommand(HIWORD(wp));
        break;
    case WM_NOTIFY:
        handled = OnReflectedNotify(*reinterpret_cast<NMHDR*>(lp), result);
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        handled = OnReflectedScroll(msg == WM_VSCROLL, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        break;
    default:
        break;
    }
    return handled;
}

bool Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == ApplyMessage()) {
        applyPending_ = false;  // before reading the state, so a change made meanwhile posts again
        OnApply();
        result = 0;
        return true;
    }
    if (Reflect(msg, wp, lp, result, hwnd_)) return true;
    result = 0;
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(HIWORD(wp), LOWORD(wp), reinterpret_cast<HWND>(lp))) return true;
        break;
    case WM_NOTIFY:
        if (lp && OnNotify(*reinterpret_cast<NMHDR*>(lp), result)) return true;
        break;
    case WM_TIMER:
        if (OnTimer(static_cast<UINT_PTR>(wp))) return true;
        break;
    default:
        break;
    }
    return OnMessage(msg, wp, lp, result);
}

bool Window::Route(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    try {
        return Dispatch(msg, wp, lp, result);
    } catch (...) {
        // User32 cannot unwind our frames; the message is answered and the program goes on.
        OutputDebugStringA("Tidewarp: an exception was stopped at a window procedure\n");
        result = 0;
        return true;
    }
}

LRESULT CALLBACK Window::OwnClassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(window);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) {
            self->Attach(window);
            self->kind_ = Kind::OwnClass;
        }
    }
    if (!self) return DefWindowProcA(window, msg, wp, lp);  // WM_GETMINMAXINFO comes before WM_NCCREATE
    if (msg == WM_NCDESTROY) {
        self->Detach();
        self->OnDetached();
        return DefWindowProcA(window, msg, wp, lp);
    }
    LRESULT result = 0;
    if (!self->Route(msg, wp, lp, result)) result = DefWindowProcA(window, msg, wp, lp);
    return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<Window*>(ref);
    if (msg == WM_NCDESTROY) {
        self->Detach();
        self->OnDetached();
        return DefSubclassProc(window, msg, wp, lp);
    }
    LRESULT result = 0;
    if (!self->Route(msg, wp, lp, result)) result = DefSubclassProc(window, msg, wp, lp);
    return result;
}

}  // namespace tw

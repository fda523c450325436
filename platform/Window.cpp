#include "platform/Window.h"

namespace tw {

namespace {

const char kObjectProperty[] = "Tidewarp.Window";

HWND ReflectionTarget(UINT msg, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        return (item && item->CtlType != ODT_MENU) ? item->hwndItem : nullptr;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lp);
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        return header ? header->hwndFrom : nullptr;
    }
    default:
        return nullptr;
    }
}

}  // namespace

Window::~Window() { Destroy(); }

Window* Window::FromHandle(HWND window) noexcept {
    if (!window) return nullptr;
    return static_cast<Window*>(GetPropA(window, kObjectProperty));
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
    if (!SetPropA(window, kObjectProperty, this)) return false;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    if (!previous_) {
        RemovePropA(window, kObjectProperty);
        return false;
    }
    hwnd_ = window;
    return true;
}

void Window::Destroy() {
    HWND window = hwnd_;
    if (!window) return;
    Detach();
    DestroyWindow(window);
}

void Window::Attach(HWND window) noexcept {
    hwnd_ = window;
    SetPropA(window, kObjectProperty, this);
}

void Window::Detach() noexcept {
    HWND window = hwnd_;
    if (!window) return;
    if (previous_) {
        // Only undo our own subclassing; someone who subclassed after us keeps their procedure.
        if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Window::SubclassProc))
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    }
    RemovePropA(window, kObjectProperty);
    hwnd_ = nullptr;
}

bool Window::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool Window::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Window::CallDefault(UINT msg, WPARAM wp, LPARAM lp) {
    if (!hwnd_ || !previous_) return 0;
    return CallWindowProcA(previous_, hwnd_, msg, wp, lp);
}

bool Window::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result, HWND self) {
    HWND target = ReflectionTarget(msg, lp);
    if (!target || target == self) return false;
    Window* child = FromHandle(target);
    return child && child->OnReflected(msg, wp, lp, result);
}

bool Window::Route(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
    try {
        if (Reflect(msg, wp, lp, result, hwnd_)) return true;
        return OnMessage(msg, wp, lp, result);
    } catch (...) {
        // User32 cannot unwind our frames; the message is answered and the program goes on.
        OutputDebugStringA("Tidewarp: an exception was stopped at a window procedure\n");
        result = 0;
        return true;
    }
}

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(window);
    if (!self) return DefWindowProcA(window, msg, wp, lp);
    WNDPROC previous = self->previous_;
    if (msg == WM_NCDESTROY) {
        self->Detach();
        self->OnDetached();
        return CallWindowProcA(previous, window, msg, wp, lp);
    }
    LRESULT result = 0;
    if (!self->Route(msg, wp, lp, result)) result = CallWindowProcA(previous, window, msg, wp, lp);
    return result;
}

}  // namespace tw

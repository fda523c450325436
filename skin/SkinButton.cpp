#include "skin/SkinButton.h"

#include "platform/Gdi.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>

namespace {

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

bool IsRelayedMouseMessage(UINT msg) {
    return msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONUP && msg != WM_LBUTTONDBLCLK && msg != WM_RBUTTONDBLCLK;
}

// Washes a drawn face half way to white, as a disabled control looks.
void WashOut(HDC dc, int width, int height) {
    tw::UniqueHDC memory(CreateCompatibleDC(dc));
    tw::UniqueHBitmap white(CreateCompatibleBitmap(dc, 1, 1));
    if (!memory || !white) return;
    tw::SelectScope keep(memory.get(), white.get());
    SetPixel(memory.get(), 0, 0, RGB(255, 255, 255));
    const BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
    GdiAlphaBlend(dc, 0, 0, width, height, memory.get(), 0, 0, 1, 1, half);
}

bool IsPressKey(WPARAM key) { return key == VK_RETURN || key == VK_SPACE; }

}  // namespace

bool SkinButton::Create(HWND owner, const ButtonLine& line, const std::string& windowText, int index) {
    EnsureCommonControls();
    RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
    // Made owner-drawn at once: no style change after creation.
    if (!tw::Window::Create("BUTTON", windowText.c_str(), OwnerDrawnStyle(WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON), 0,
                            r, owner, 0))
        return false;
    // Only a tip with text can ever show, so a button without one gets no tooltip control; one
    // with text gets it when the mouse first comes (making it takes as long as the button).
    tipText_ = windowText;
    shownText_ = windowText;
    index_ = index;
    name_ = line.name;
    rect_ = line.rect;
    checkBox_ = line.checkBox;
    return true;
}

DWORD SkinButton::OwnerDrawnStyle(DWORD style) {
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) hover_ = true;
    return (style & ~(BS_TYPEMASK | WS_TABSTOP | WS_BORDER)) | BS_OWNERDRAW;
}

namespace {

// The tooltip's description of the button showing text (which must outlive its use).
TOOLINFOA ToolFor(HWND button, const std::string& text) {
    // Without a comctl32 version 6 manifest the tooltip only accepts the older structure size.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = button;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = const_cast<char*>(text.c_str());
    return tool;
}

}  // namespace

void SkinButton::MakeTooltip(const std::string& text) {
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!tooltip_) return;
    TOOLINFOA tool = ToolFor(Handle(), text);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 32767);
    SendMessageA(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

void SkinButton::DestroyTooltip() {
    // Its owner is the button's top-level window (a child window cannot own one), so it would
    // otherwise outlive the button until that window goes: one more with every skin rebuild.
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

bool SkinButton::SetChecked(bool checked) {
    if (checked_.exchange(checked) == checked) return false;
    Redraw();  // invalidating only: safe from any thread, painted by the window's own
    if (!checkedText_.empty()) RequestApply();
    return true;
}

void SkinButton::SetGreyedWhenDisabled(bool greyed) {
    greyed_ = greyed;
    Redraw();
}

void SkinButton::SetCurrent(bool current) {
    if (current_.exchange(current) != current) Redraw();
}

void SkinButton::SetCheckedText(const std::string& text) {
    checkedText_ = text;
    ShowTipText();
}

std::string SkinButton::TipText() const { return checked_ && !checkedText_.empty() ? checkedText_ : tipText_; }

void SkinButton::ShowTipText() {
    const std::string text = TipText();
    if (text == shownText_ || !Handle()) return;
    shownText_ = text;
    SetWindowTextA(Handle(), text.c_str());  // what an assistive tool reads
    if (!tooltip_) return;
    TOOLINFOA tool = ToolFor(Handle(), shownText_);
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

bool SkinButton::SetHover(bool hover) {
    if (hover_.exchange(hover) == hover) return false;
    InvalidateRect(Handle(), nullptr, FALSE);
    return true;
}

void SkinButton::SetEnabled(bool enabled) {
    enabled_ = enabled;
    RequestApply();  // EnableWindow sends messages: only the window's own thread may call it
}

void SkinButton::OnApply() {
    EnableWindow(Handle(), enabled_ ? TRUE : FALSE);
    ShowTipText();
}

SkinButton::Image SkinButton::Choose(bool disabled, bool pressed) const {
    const bool checked = checked_, hover = hover_;  // one reading: another thread may change them
    if (checkBox_) {
        if (disabled && !greyed_) return Disabled;
        return checked ? Down : Normal;
    }
    if (disabled || current_) return Disabled;
    if (checked && !hover) return Down;
    if (pressed) return Down;
    if (hover && checked) return CheckedOver;
    if (hover) return Over;
    return Normal;
}

const PicturePart* SkinButton::ImageToDraw(bool disabled, bool pressed) const {
    Image chosen = Choose(disabled, pressed);
    if (images_[chosen].picture) return &images_[chosen];
    if (chosen == CheckedOver && images_[Down].picture) return &images_[Down];
    return images_[Normal].picture ? &images_[Normal] : nullptr;
}

void SkinButton::Draw(const DRAWITEMSTRUCT& item) {
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const PicturePart* face = ImageToDraw(disabled, (item.itemState & ODS_SELECTED) != 0);
    RECT client{};
    GetClientRect(Handle(), &client);
    // Without a face, or when its picture cannot be drawn, the plain button colour.
    if (!face || !DrawPicturePart(item.hDC, *face, client.right, client.bottom))
        FillRect(item.hDC, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (disabled && greyed_ && checkBox_) WashOut(item.hDC, client.right, client.bottom);
    // The keyboard's place, over the skin (the system hides it until the keyboard is used).
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT inner = client;
        InflateRect(&inner, -1, -1);
        DrawFocusRect(item.hDC, &inner);
    }
}

void SkinButton::OnMouseMove(WPARAM flags, POINT at) {
    if ((flags & MK_LBUTTON) && !hover_) return;
    HWND self = Handle();
    if (GetCapture() != self) {
        HWND owner = GetWindow(self, GW_OWNER);
        if (!owner) owner = GetParent(self);
        if (GetActiveWindow() && owner) {
            hover_ = true;
            SetCapture(self);
            Redraw();
        }
        return;
    }
    ClientToScreen(self, &at);
    HWND under = WindowFromPoint(at);
    if (!under || under == self) return;
    if (hover_) {
        hover_ = false;
        Redraw();
    }
    if (!(flags & MK_LBUTTON)) ReleaseCapture();
}

void SkinButton::OnLeftButtonUp(WPARAM flags, LPARAM lp, POINT at) {
    RECT client{};
    GetClientRect(Handle(), &client);
    if (!PtInRect(&client, at)) {
        // Outside: no notification. The platform's own handling still runs so the button lets go
        // of the mouse and its pressed state; it sends no click for a release outside.
        CallDefault(WM_LBUTTONUP, flags, lp);
        return;
    }
    hover_ = false;
    // The platform's click command is never sent; the owner hears of the click only below. The
    // pressed state and the capture the platform took on the press are released here instead.
    SendMessageA(Handle(), BM_SETSTATE, FALSE, 0);
    if (GetCapture() == Handle()) ReleaseCapture();
    Redraw();
    Click();
}

void SkinButton::Click() {
    HWND parent = GetParent(Handle());
    auto* owner = dynamic_cast<SkinButtonOwner*>(tw::Window::FromHandle(parent));
    // The owner may rebuild its skin and delete this button: nothing of it is touched afterwards.
    if (owner) owner->OnSkinButton(index_);
}

bool SkinButton::OnNotify(NMHDR& header, LRESULT& result) {
    // Our tooltip asking for a tool's text.
    if (header.code != TTN_NEEDTEXTA && header.code != TTN_NEEDTEXTW) return false;
    result = 0;
    UINT_PTR id = header.idFrom;
    auto* tip = reinterpret_cast<NMTTDISPINFOA*>(&header);
    if (tip->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    char text[80] = {};
    if (id != 0) std::snprintf(text, sizeof text, "Control ID = %d", static_cast<int>(id));
    if (header.code == TTN_NEEDTEXTA) {
        std::snprintf(tip->szText, sizeof tip->szText, "%s", text);
    } else {
        auto* wide = reinterpret_cast<NMTTDISPINFOW*>(&header);
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide->szText, 80);
    }
    return true;
}

void SkinButton::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
    if (!IsRelayedMouseMessage(msg)) return;
    if (!tooltip_ && !shownText_.empty()) MakeTooltip(shownText_);
    if (!tooltip_) return;
    MSG m{Handle(), msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
    DWORD pos = GetMessagePos();
    m.pt.x = GET_X_LPARAM(pos);
    m.pt.y = GET_Y_LPARAM(pos);
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

bool SkinButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    RelayToTooltip(msg, wp, lp);
    POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
    case WM_MOUSEMOVE:
        result = CallDefault(msg, wp, lp);
        OnMouseMove(wp, at);
        return true;
    case WM_LBUTTONUP:
        result = 0;
        OnLeftButtonUp(wp, lp, at);
        return true;
    case WM_KILLFOCUS:
        result = CallDefault(msg, wp, lp);
        hover_ = false;
        Redraw();
        return true;
    case WM_CAPTURECHANGED:
        if (hover_) {
            // Only our own capture: another window of this thread may just have taken it.
            if (GetCapture() == Handle()) ReleaseCapture();
            Redraw();
        }
        result = CallDefault(msg, wp, lp);
        return true;
    case WM_ERASEBKGND:
        result = 1;  // the face covers the whole button
        return true;
    case WM_GETDLGCODE: {
        // Enter presses the focused button rather than the dialog's default one.
        const auto* key = reinterpret_cast<const MSG*>(lp);
        result = CallDefault(msg, wp, lp);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) result |= DLGC_WANTMESSAGE;
        return true;
    }
    case WM_KEYDOWN:
        // Enter or Space press it as a click does, once per press (not again while held).
        if (!IsPressKey(wp)) return false;
        result = 0;
        if (!(lp & (1 << 30))) Click();
        return true;
    case WM_KEYUP:
    case WM_CHAR:
        if (!IsPressKey(wp)) return false;  // the characters of Enter and Space are their key codes
        result = 0;  // the platform's own press on Space would send a click command of its own
        return true;
    case BM_GETCHECK:
        // Assistive tools read a check box's state the standard way; a push button has none.
        if (!checkBox_) return false;
        result = checked_ ? BST_CHECKED : BST_UNCHECKED;
        return true;
    default:
        return false;
    }
}

bool SkinButton::OnReflectedDrawItem(const DRAWITEMSTRUCT& item) {
    Draw(item);
    return true;
}

#include "skin/SkinEdit.h"

#include "skin/SkinFont.h"

SkinEdit::SkinEdit() : font_(CopyFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))) {}

bool SkinEdit::Create(HWND owner, const SkinRect& rect, DWORD style) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    if (!tw::Window::Create("EDIT", "", style | WS_CHILD, 0, r, owner, 0)) return false;
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return true;
}

void SkinEdit::SetText(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        text_ = text;
    }
    RequestApply();
}

std::string SkinEdit::Text() const {
    std::lock_guard<std::mutex> guard(lock_);
    return text_;
}

void SkinEdit::OnApply() {
    std::string text = Text();  // not under the lock: the control answers with EN_CHANGE at once
    if (WindowText() == text) return;
    applying_ = true;
    SetWindowTextA(Handle(), text.c_str());
    applying_ = false;
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool SkinEdit::OnReflectedCommand(UINT code) {
    if (code == EN_CHANGE && !applying_) {
        std::string typed = WindowText();
        std::lock_guard<std::mutex> guard(lock_);
        text_ = std::move(typed);
    }
    return false;  // the owner may want to hear of it too
}

std::string SkinEdit::WindowText() const {
    if (!Handle()) return {};
    int length = GetWindowTextLengthA(Handle());
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(Handle(), &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void SkinEdit::SetFont(HFONT font) {
    tw::UniqueHFont copy = CopyFont(font);
    if (!copy) return;
    font_ = std::move(copy);
    if (Handle()) SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void SkinEdit::SetBackground(tw::UniqueHBitmap background) {
    background_ = std::move(background);
    brush_.reset(background_ ? CreatePatternBrush(background_.get()) : nullptr);
}

bool SkinEdit::OnReflectedColour(UINT kind, HDC dc, HBRUSH& brush) {
    if (kind != WM_CTLCOLOREDIT && kind != WM_CTLCOLORSTATIC) return false;
    SetTextColor(dc, colour_);
    if (!brush_) return false;
    SetBkMode(dc, TRANSPARENT);
    // The background was cut at the window's rectangle; the brush starts at its top-left corner,
    // which lies outside the client area by the border's width.
    RECT window{};
    GetWindowRect(Handle(), &window);
    POINT client{0, 0};
    ClientToScreen(Handle(), &client);
    SetBrushOrgEx(dc, window.left - client.x, window.top - client.y, nullptr);
    brush = brush_.get();
    return true;
}

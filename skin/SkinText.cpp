#include "skin/SkinText.h"

#include "platform/Gdi.h"
#include "platform/Codepage.h"
#include "skin/SkinFont.h"

#include <algorithm>
#include <cstring>

SkinText::SkinText() : font_(CopyFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))) {}

bool SkinText::Create(HWND owner, const SkinRect& rect, const std::string& text) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return tw::Window::Create("STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 0, r, owner, 0);
}

void SkinText::SetText(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    text_ = text;
}

std::string SkinText::Text() const {
    std::lock_guard<std::mutex> guard(lock_);
    return text_;
}

std::string SkinText::LastPainted() const {
    std::lock_guard<std::mutex> guard(lock_);
    return painted_;
}

void SkinText::SetFont(HFONT font) {
    tw::UniqueHFont copy = CopyFont(font);
    if (copy) font_ = std::move(copy);
}

void SkinText::Paint() {
    tw::PaintDC paint(Handle());
    RECT client{};
    GetClientRect(Handle(), &client);
    DrawPicturePart(paint.get(), background_, client.right, client.bottom);
    SetBkMode(paint.get(), TRANSPARENT);
    tw::SelectScope keepFont(paint.get(), font_.get());
    SetTextColor(paint.get(), colour_);
    std::lock_guard<std::mutex> guard(lock_);
    DrawTextA(paint.get(), text_.c_str(), static_cast<int>(text_.size()), &client, Format());
    painted_ = text_;
}

UINT SkinText::Format() const {
    // No prefix processing: paths and file names shown here may contain "&".
    return DT_VCENTER | DT_NOPREFIX | (wraps_ ? DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS : 0);
}

int SkinText::HeightAt(int width) const {
    tw::WindowDC dc(nullptr);
    tw::SelectScope keepFont(dc.get(), font_.get());
    RECT box{0, 0, width, 0};
    const std::string text = Text();
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &box, Format() | DT_CALCRECT);
    return box.bottom;
}

std::string SkinText::ShownText(bool wide) const {
    std::string text = Text();
    if (!wide) return text;
    // Subclassed through comctl32 the window is a Unicode one: text messages arrive in UTF-16.
    std::u16string utf16 = tw::AnsiToUtf16(text);
    return std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * sizeof(char16_t));
}

bool SkinText::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    // Screen readers and scripts read what is shown, not the text the window was made with.
    case WM_GETTEXT: {
        const bool wide = IsWindowUnicode(Handle()) != FALSE;
        const std::size_t unit = wide ? sizeof(char16_t) : 1;
        std::string bytes = ShownText(wide);
        std::size_t room = static_cast<std::size_t>(wp);
        result = 0;
        if (!lp || room == 0) return true;
        std::size_t units = std::min(bytes.size() / unit, room - 1);
        char* out = reinterpret_cast<char*>(lp);
        std::memcpy(out, bytes.data(), units * unit);
        std::memset(out + units * unit, 0, unit);
        result = static_cast<LRESULT>(units);
        return true;
    }
    case WM_GETTEXTLENGTH: {
        const bool wide = IsWindowUnicode(Handle()) != FALSE;
        result = static_cast<LRESULT>(ShownText(wide).size() / (wide ? sizeof(char16_t) : 1));
        return true;
    }
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;  // the paint covers everything with the background
        return true;
    default:
        return false;
    }
}

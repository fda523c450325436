#include "skin/SkinText.h"

#include "platform/Gdi.h"
#include "skin/SkinFont.h"

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
    tw::UniqueHDC memory = tw::CreateMemoryDC(nullptr);
    if (memory && background_) {
        tw::SelectScope keep(memory.get(), background_.get());
        BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
    SetBkMode(paint.get(), TRANSPARENT);
    tw::SelectScope keepFont(paint.get(), font_.get());
    SetTextColor(paint.get(), colour_);
    std::lock_guard<std::mutex> guard(lock_);
    // No prefix processing: paths and file names shown here may contain "&".
    DrawTextA(paint.get(), text_.c_str(), static_cast<int>(text_.size()), &client, DT_VCENTER | DT_NOPREFIX);
    painted_ = text_;
}

bool SkinText::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
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

#include "skin/SkinPanel.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinSource.h"

bool SkinPanel::Create(HWND parent, const ScreenLine& line, const std::string& skinFilePath, DWORD style,
                       SkinImageCache* images) {
    RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
    if (!tw::Window::Create("STATIC", "", style | WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, r, parent, 0))
        return false;
    rect_ = line.rect;
    shown_ = (style & WS_VISIBLE) != 0;
    SetSkinName(line.name);
    const ScreenImage order[] = {ScreenImage::Normal, ScreenImage::Over, ScreenImage::Down, ScreenImage::Disabled};
    for (int i = 0; i < 4; ++i) LoadScreen(order[i], SkinImagePath(skinFilePath, line.images[i]), nullptr, images);
    return true;
}

void SkinPanel::LoadElements(const IniFile& ini, const CheckListMenu& listMenu, DWORD editStyle) {
    const std::string& name = SkinName();
    LoadButtons(Handle(), ini, name + "_BUTTONINFO", ButtonText::Empty);
    LoadTexts(Handle(), ini, name + "_TEXTINFO");
    LoadEdits(Handle(), ini, name + "_EDITBOXINFO", editStyle);
    std::string list = ini.GetString(name + "_LISTINFO", "1", "");
    if (!list.empty()) list_.CreateForPage(Handle(), ParseListLine(list), listMenu);
}

void SkinPanel::OnSkinButton(int index) {
    if (SkinButton* button = ButtonAt(index)) ButtonPressed(button->Name());
}

void SkinPanel::ButtonPressed(std::string) {}

void SkinPanel::Show(bool shown, bool above) {
    if (above) raise_ = true;
    shown_ = shown;
    RequestApply();
}

void SkinPanel::OnApply() {
    const bool shown = shown_;
    if (shown && raise_.exchange(false))
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const bool visible = (GetWindowLongA(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != shown) ShowWindow(Handle(), shown ? SW_SHOWNA : SW_HIDE);
}

void SkinPanel::Reset() {
    list_.Destroy();
    SkinElementSet::Reset();
}

bool SkinPanel::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        tw::PaintDC paint(Handle());
        RECT client{};
        GetClientRect(Handle(), &client);
        DrawBitmap(paint.get(), Screen(ScreenImage::Normal), 0, 0, client.right, client.bottom, false);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

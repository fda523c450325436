#include "skin/SkinDialog.h"

#include "platform/Gdi.h"
#include "skin/SkinImage.h"

#include <windowsx.h>

SkinDialog::SkinDialog(UINT templateId) : Dialog(templateId) {}

void SkinDialog::OnSkinButton(int index) {
    SkinButton* button = ButtonAt(index);
    if (!button) return;
    ButtonPressed(button->Name());
}

void SkinDialog::ButtonPressed(std::string) {}

void SkinDialog::OnSkinMouseMove(std::string, int, int) {}

void SkinDialog::PaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(Handle(), &client);
    DrawBitmap(dc, Screen(ScreenImage::Normal), 0, 0, client.right, client.bottom, true);
}

bool SkinDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (!Screen(ScreenImage::Normal)) return false;
        result = 1;  // WM_PAINT covers the whole window with the screen image
        return true;
    case WM_PAINT: {
        if (!Screen(ScreenImage::Normal)) return Dialog::OnMessage(msg, wp, lp, result);
        tw::PaintDC paint(Handle());
        PaintBackground(paint.get());
        result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
        OnSkinMouseMove(std::string(), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return false;
    default:
        return Dialog::OnMessage(msg, wp, lp, result);
    }
}

// A skinned edit box: the platform's edit control with the font, colour and background of its
// line. It paints its text in the line's colour over the part of the screen image it covers.
#pragma once

#include "platform/Handles.h"
#include "platform/Window.h"
#include "skin/SkinLine.h"

#include <string>

class SkinEdit : public tw::Window {
public:
    SkinEdit();

    // A child edit control of owner at rect with the owner's choice of style, identifier 0.
    bool Create(HWND owner, const SkinRect& rect, DWORD style);

    // Sets the window text and keeps a copy.
    void SetText(const std::string& text);
    // The current window text (what the user typed).
    std::string WindowText() const;

    void SetFont(HFONT font);
    HFONT Font() const { return font_.get(); }
    void SetBackground(tw::UniqueHBitmap background);
    HBITMAP Background() const { return background_.get(); }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    void SetColour(COLORREF colour) { colour_ = colour; }
    COLORREF Colour() const { return colour_; }

protected:
    bool OnReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    std::string text_;
    tw::UniqueHBitmap background_;
    tw::UniqueHFont font_;
    std::string name_;
    COLORREF colour_ = 0;
    tw::UniqueHBrush brush_;  // the background as a brush, for the edit control's own painting
};

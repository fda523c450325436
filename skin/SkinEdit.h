// A skinned edit box: the platform's edit control with the font, colour and background of its
// line. It paints its text in the line's colour over the part of the screen image it covers.
// Its text may be set and read from any thread (see SkinElementSet.h): the element keeps the text
// under its lock, follows what the user types, and hands what was set to the control on the
// window's thread.
#pragma once

#include "platform/Handles.h"
#include "platform/Window.h"
#include "skin/SkinLine.h"

#include <mutex>
#include <string>

class SkinEdit : public tw::Window {
public:
    SkinEdit();

    // A child edit control of owner at rect with the owner's choice of style, identifier 0.
    bool Create(HWND owner, const SkinRect& rect, DWORD style);

    // Keeps the text and has the control show it.
    void SetText(const std::string& text);
    // The text as set last or as typed by the user since.
    std::string Text() const;

    void SetFont(HFONT font);
    HFONT Font() const { return font_.get(); }
    void SetBackground(tw::UniqueHBitmap background);
    HBITMAP Background() const { return background_.get(); }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    void SetColour(COLORREF colour) { colour_ = colour; }
    COLORREF Colour() const { return colour_; }

protected:
    bool OnReflectedColour(UINT kind, HDC dc, HBRUSH& brush) override;
    bool OnReflectedCommand(UINT code) override;
    void OnApply() override;

private:
    std::string WindowText() const;

    mutable std::mutex lock_;  // guards text_
    std::string text_;
    bool applying_ = false;  // the control is taking text_: its change notice is our own
    tw::UniqueHBitmap background_;
    tw::UniqueHFont font_;
    std::string name_;
    COLORREF colour_ = 0;
    tw::UniqueHBrush brush_;  // the background as a brush, for the edit control's own painting
};

// A skinned text: painted over the part of its owner's screen image it covers, drawn straight from
// that image. Its text has its own lock, so worker threads may change it while the window's thread
// paints it (SkinElementSet.h).
// WM_GETTEXT and WM_GETTEXTLENGTH answer with the text shown, read under that lock.
#pragma once

#include "platform/Handles.h"
#include "platform/Window.h"
#include "skin/SkinImage.h"
#include "skin/SkinLine.h"

#include <mutex>
#include <string>

class SkinText : public tw::Window {
public:
    SkinText();

    // A visible child static control of owner at rect, identifier 0, window text = text.
    bool Create(HWND owner, const SkinRect& rect, const std::string& text);

    // Replaces the text under the lock; does not redraw (SkinElementSet::SetTextByName does).
    void SetText(const std::string& text);
    std::string Text() const;

    // Takes its own font made from the given font's description.
    void SetFont(HFONT font);
    HFONT Font() const { return font_.get(); }

    void SetBackground(PicturePart background) { background_ = std::move(background); }
    const PicturePart& Background() const { return background_; }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    void SetColour(COLORREF colour) { colour_ = colour; }
    COLORREF Colour() const { return colour_; }
    // Breaks its lines between words to fit its width, and ends a text longer than its box with
    // "..."; otherwise only its own line ends break it and the box cuts it off.
    void SetWraps(bool wraps) { wraps_ = wraps; }
    bool Wraps() const { return wraps_; }
    // The height the text takes as it is drawn in a box of this width.
    int HeightAt(int width) const;

    // The text the last paint drew (read under the lock), for checks that a paint never mixes two.
    std::string LastPainted() const;

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Paint();
    UINT Format() const;
    // The text as the bytes of ANSI or of UTF-16 characters, without a terminating zero.
    std::string ShownText(bool wide) const;

    mutable std::mutex lock_;  // guards text_ and painted_
    std::string text_;
    PicturePart background_;
    tw::UniqueHFont font_;
    std::string name_;
    COLORREF colour_ = 0;
    bool wraps_ = false;
    std::string painted_;
};

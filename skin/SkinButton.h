// A skinned button: an owner-drawn button whose face is the part of one of its owner's screen
// images under it, following the mouse, showing a tooltip and reporting a click to its owner by
// position.
// Checked, hover and enabled may be set from any thread (see SkinElementSet.h).
#pragma once

#include "platform/Handles.h"
#include "platform/Window.h"
#include "skin/SkinImage.h"
#include "skin/SkinLine.h"

#include <atomic>
#include <string>

// A window whose skinned buttons report clicks to it. The button's parent window must be the
// window of an object implementing this (a dialog or a page).
class SkinButtonOwner {
public:
    virtual ~SkinButtonOwner() = default;
    // index is the button's position in the owner's button list.
    virtual void OnSkinButton(int index) = 0;
};

class SkinButton : public tw::Window {
public:
    ~SkinButton() override { DestroyTooltip(); }
    enum Image { Normal, Over, Down, Disabled, CheckedOver, ImageCount };

    // A visible child push button of owner at the line's rectangle, identifier 0; windowText is
    // the tooltip (no tooltip control when it is empty).
    bool Create(HWND owner, const ButtonLine& line, const std::string& windowText, int index);

    const std::string& Name() const { return name_; }
    // The rectangle it was made at, in its owner's client area.
    const SkinRect& Rect() const { return rect_; }
    int Index() const { return index_; }
    bool IsCheckBox() const { return checkBox_; }

    bool Checked() const { return checked_; }
    // Redraws (erasing) when the state changes; true when it changed.
    bool SetChecked(bool checked);
    bool Hover() const { return hover_; }
    // Redraws without erasing when the look changes; true when it changed.
    bool SetHover(bool hover);
    // The enabled state asked for last; the window takes it on its own thread.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // A check box that keeps showing its check mark, washed out, while disabled (a setting that
    // cannot be changed); otherwise a disabled button shows its "Disabled" face.
    void SetGreyedWhenDisabled(bool greyed);
    // Shown as the current one of a row of tabs (the "Disabled" face) while it stays enabled.
    bool Current() const { return current_; }
    void SetCurrent(bool current);
    // The tooltip and window text while checked (a face that does something else then); the
    // window text otherwise. Empty: the same text either way. Window's thread.
    void SetCheckedText(const std::string& text);
    // What the tooltip and the window text say now.
    std::string TipText() const;

    // A face is the part of a screen picture at the button's place on the owner; no picture, no face.
    HBITMAP ImageOf(Image which) const { return images_[which].picture.get(); }
    void SetImage(Image which, PicturePart face) { images_[which] = std::move(face); }

    // The image a draw shows for these item states, by the check-box and push-button tables.
    Image Choose(bool disabled, bool pressed) const;
    // The face actually drawn: the chosen image, or the closest look that exists when the skin
    // has none for it (checked-over falls back to down, anything else to normal); null when there
    // is not even a normal one.
    const PicturePart* ImageToDraw(bool disabled, bool pressed) const;

    // Made when the first mouse message comes to a button with window text; null until then,
    // and always for a button without.
    HWND Tooltip() const { return tooltip_; }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnReflectedDrawItem(const DRAWITEMSTRUCT& item) override;
    void OnApply() override;
    void OnDetached() override { DestroyTooltip(); }

private:
    // The style to create with, made owner-drawn without tab stop or border; a default push
    // button starts with hover set.
    DWORD OwnerDrawnStyle(DWORD style);
    void MakeTooltip(const std::string& text);
    void DestroyTooltip();
    void RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp);
    void Draw(const DRAWITEMSTRUCT& item);
    void OnMouseMove(WPARAM flags, POINT at);
    void OnLeftButtonUp(WPARAM flags, LPARAM lp, POINT at);
    // Tells the owner of a click (the mouse's, or Enter or Space on the focused button).
    void Click();
    void ShowTipText();
    void Redraw() { InvalidateRect(Handle(), nullptr, TRUE); }

    std::string name_;
    SkinRect rect_{};
    int index_ = 0;
    std::atomic<bool> hover_{false};
    PicturePart images_[ImageCount];
    std::string tipText_;
    std::string checkedText_;
    std::string shownText_;  // what the window text and tooltip say now (window's thread)
    HWND tooltip_ = nullptr;  // ours to destroy: see DestroyTooltip
    std::atomic<bool> checked_{false};
    bool checkBox_ = false;
    std::atomic<bool> enabled_{true};
    std::atomic<bool> current_{false};
    bool greyed_ = false;
};

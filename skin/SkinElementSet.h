// The elements of one skinned window, addressed by skin name: buttons, texts and edit boxes, and
// the five full-window screen images their faces and backgrounds come from.
//
// Name lookups compare exactly (case-sensitive) and act on the first match; a name that no
// element has changes nothing.
//
// Threads. Scan and fix workers change elements while the window's thread may be waiting for them
// (WaitForSingleObject on the worker, no message loop), so no element operation ever sends to or
// waits for the window's thread. The rule, for every element (buttons, texts, edit boxes, lists,
// pages):
//  - the element keeps its state itself (a text, a check mark, enabled, shown, an edit's text, a
//    list's rows), guarded by its own lock or held in atomics, and every reading answers from there;
//  - a change updates that state at once and then only asks the window to show it: by
//    invalidating when the element paints the state itself, otherwise by a request posted to the
//    window (Window::RequestApply) that applies the latest state on the window's thread;
//  - on the window's own thread the change is shown at once.
// So nothing of the window system (EnableWindow, SetWindowText, ShowWindow, list-view messages)
// is called from a worker. The element lists themselves must not be rebuilt (Reset, Load*) while a
// worker may use them.
#pragma once

#include "platform/Handles.h"
#include "skin/SkinButton.h"
#include "skin/SkinEdit.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinLine.h"
#include "skin/SkinText.h"

#include <memory>
#include <string>
#include <vector>

class IniFile;

enum class ScreenImage { Normal, Over, Down, Disabled, StopScanOver };

// What a button's window text (its tooltip) is: the main screen uses the line's tooltip field,
// the other windows leave it empty.
enum class ButtonText { Tooltip, Empty };

class SkinElementSet {
public:
    SkinElementSet() = default;
    virtual ~SkinElementSet() = default;
    SkinElementSet(const SkinElementSet&) = delete;
    SkinElementSet& operator=(const SkinElementSet&) = delete;

    // Deletes the screen images and every element.
    virtual void Reset();

    // Buttons (the names of button lines).
    void EnableButton(const std::string& name, bool enable);
    void SetButtonChecked(const std::string& name, bool checked);  // redraws when it changes
    int GetButtonChecked(const std::string& name) const;           // 0 without such a button
    void EnableAllButtons(bool enable);
    void SetAllButtonsChecked(bool checked);
    // The hover look, for owners that make buttons blink; redraws without erasing when it changes.
    void SetButtonHover(const std::string& name, bool hover);
    bool GetButtonHover(const std::string& name) const;

    // Texts and edit boxes.
    void SetTextByName(const std::string& name, const std::string& text);
    void SetEditByName(const std::string& name, const std::string& text);
    // What the edit box holds (what was set, or what the user typed); empty without such an edit box.
    std::string GetEditByName(const std::string& name) const;

    SkinButton* FindButton(const std::string& name) const;
    SkinText* FindText(const std::string& name) const;
    SkinEdit* FindEdit(const std::string& name) const;
    // The button at a position of the button list, or null.
    SkinButton* ButtonAt(int index) const;

    const std::vector<std::unique_ptr<SkinButton>>& Buttons() const { return buttons_; }
    const std::vector<std::unique_ptr<SkinText>>& Texts() const { return texts_; }
    const std::vector<std::unique_ptr<SkinEdit>>& Edits() const { return edits_; }

    HBITMAP Screen(ScreenImage which) const { return screens_[static_cast<int>(which)].get(); }
    void SetScreen(ScreenImage which, tw::UniqueHBitmap bitmap) { SetScreen(which, ShareBitmap(std::move(bitmap))); }
    void SetScreen(ScreenImage which, SharedBitmap bitmap) { screens_[static_cast<int>(which)] = std::move(bitmap); }
    // LoadSkinImage into one screen image; through images (shared with whoever else asks it for
    // the same picture) when given.
    SIZE LoadScreen(ScreenImage which, const std::string& path, bool* found = nullptr,
                    SkinImageCache* images = nullptr);
    // Gives every button its face from a screen image loaded after the buttons were made, and
    // has them redrawn. Window's thread.
    void GiveFaces(ScreenImage screen);

    const std::string& SkinName() const { return name_; }
    void SetSkinName(std::string name) { name_ = std::move(name); }

    // Building from lines. Faces and texts' backgrounds are drawn from the screen images the
    // element is made with (it keeps them), edit boxes' backgrounds are cut from them, so load
    // those first. Each returns the element it made, or null when its window could not be created.
    SkinButton* AddButton(HWND owner, const ButtonLine& line, ButtonText text);
    SkinText* AddText(HWND owner, const TextLine& line);
    SkinEdit* AddEdit(HWND owner, const TextLine& line, DWORD style);

    // Every line of a numbered section (see ReadNumberedLines); the number of elements made.
    int LoadButtons(HWND owner, const IniFile& ini, const std::string& section, ButtonText text);
    int LoadTexts(HWND owner, const IniFile& ini, const std::string& section);
    int LoadEdits(HWND owner, const IniFile& ini, const std::string& section, DWORD style);

private:
    // The face a screen image gives a button, if it gives it one.
    void GiveFace(SkinButton& button, ScreenImage screen) const;
    // The part of a screen image under an element's rectangle.
    PicturePart PartOf(ScreenImage which, const SkinRect& r) const {
        return {screens_[static_cast<int>(which)], POINT{r.left, r.top}};
    }

    std::vector<std::unique_ptr<SkinButton>> buttons_;
    std::vector<std::unique_ptr<SkinText>> texts_;
    std::vector<std::unique_ptr<SkinEdit>> edits_;
    SharedBitmap screens_[5];
    std::string name_;
};

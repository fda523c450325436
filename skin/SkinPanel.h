// A skinned child window built from a screen line: its own four screen images at its own size,
// and its buttons, texts, edit boxes and check-box list from the sections named after it.
// The main screen's pages are made of these. Show may be called from any thread (SkinElementSet.h).
#pragma once

#include "platform/Window.h"
#include "skin/SkinButton.h"
#include "skin/SkinCheckList.h"
#include "skin/SkinElementSet.h"

#include <atomic>
#include <string>

class IniFile;

class SkinPanel : public tw::Window, public SkinElementSet, public SkinButtonOwner {
public:
    SkinPanel() = default;
    // The window goes first, while the elements its handlers use still exist.
    ~SkinPanel() override { Destroy(); }

    // A child of parent at the line's rectangle (hidden unless style has WS_VISIBLE), empty window
    // text, identifier 0. Its images come from the line's four names resolved beside skinFilePath,
    // through images when given.
    bool Create(HWND parent, const ScreenLine& line, const std::string& skinFilePath, DWORD style,
                SkinImageCache* images = nullptr);

    // Buttons, texts, edit boxes and list from <name>_BUTTONINFO, _TEXTINFO, _EDITBOXINFO and
    // _LISTINFO (key "1"), in that order. Missing sections make no elements. The list's context
    // menu is the caller's.
    void LoadElements(const IniFile& ini, const CheckListMenu& listMenu, DWORD editStyle = WS_VISIBLE | ES_AUTOHSCROLL);

    // Shows or hides the page; the window follows on its own thread. A page shown above goes on
    // top of its sibling pages (a side page over the primary one).
    void Show(bool shown, bool above = false);
    bool Shown() const { return shown_; }

    // The page's list, when its skin has a list section.
    SkinCheckList* List() { return list_.Handle() ? &list_ : nullptr; }
    const SkinRect& Rect() const { return rect_; }

    void OnSkinButton(int index) override;
    virtual void ButtonPressed(std::string name);

    void Reset() override;

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnApply() override;

private:
    SkinRect rect_;
    SkinCheckList list_;
    std::atomic<bool> shown_{false};
    std::atomic<bool> raise_{false};
};

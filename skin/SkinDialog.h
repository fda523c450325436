// The skinned dialog base: a dialog (the caller's template: the program's 134) that embeds a
// SkinElementSet, paints its normal screen image and hears its buttons' clicks by name.
#pragma once

#include "platform/Dialog.h"
#include "skin/SkinButton.h"
#include "skin/SkinElementSet.h"

#include <string>

class SkinDialog : public tw::Dialog, public SkinElementSet, public SkinButtonOwner {
public:
    explicit SkinDialog(UINT templateId);
    // The window goes first, while the elements its handlers use still exist.
    ~SkinDialog() override { Destroy(); }

    // A click on the button at index: looks its name up and calls ButtonPressed with it. An index
    // outside the list is ignored (a stale index must not bring the window down).
    void OnSkinButton(int index) override;
    // What the window does about a pressed button (also called by code that presses buttons).
    virtual void ButtonPressed(std::string name);
    // The mouse moved over the window's background, in client coordinates.
    virtual void OnSkinMouseMove(std::string name, int x, int y);

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Draws the normal screen image over the client area.
    virtual void PaintBackground(HDC dc);
};

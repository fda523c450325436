// Helpers shared by the skin tests under Wine: windows to hang elements on, solid pictures,
// pixel reads, a notifier that records instead of showing.
#pragma once

#include "platform/Handles.h"
#include "recording_notifier.h"
#include "resource.h"
#include "skin/SkinCheckList.h"
#include "skin/SkinDialog.h"

#include <string>
#include <vector>

namespace skintest {

// A visible modeless skinned dialog that records the names of pressed buttons and the commands
// its children send.
class OwnerWindow : public SkinDialog {
public:
    OwnerWindow() : SkinDialog(IDD_SKIN_DIALOG) {}
    std::vector<std::string> pressed;
    std::vector<UINT> commands;  // control commands: (code << 16) | id
    // Visible at (x, y) with a client area of width by height.
    bool Open(int x, int y, int width, int height);
    void ButtonPressed(std::string name) override { pressed.push_back(std::move(name)); }

protected:
    bool OnCommand(UINT code, UINT id, HWND control) override;
};

// The program's list menu, as the application passes it to the skin.
const CheckListMenu kListMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL};

tw::UniqueHBitmap SolidBitmap(int width, int height, COLORREF colour);

// Processes every waiting message of this thread.
void Pump();

// The colour at a client point of window, after letting it paint.
COLORREF PixelAt(HWND window, int x, int y);

// The rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child);

// A mouse click on the check box of the row a list view shows at index (scrolled into view first).
void ClickCheckBox(HWND list, int index);

// Writes bytes to a file of the current folder.
void WriteFile(const std::string& name, const std::string& bytes);

// A 24-bit BMP file of one colour.
std::string BmpBytes(int width, int height, COLORREF colour);

std::string CurrentFolder();

}  // namespace skintest

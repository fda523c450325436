#include "skin/SkinCheckList.h"

#include "platform/Handles.h"

bool SkinCheckList::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_RBUTTONDOWN: {
        // The list's own handling is skipped, so the click selects nothing.
        POINT at{};
        GetCursorPos(&at);
        ShowMenu(at);
        result = 0;
        return true;
    }
    case WM_CONTEXTMENU:
        if (lp == static_cast<LPARAM>(-1)) {
            // From the keyboard: the menu opens just below the caret instead of at the mouse.
            POINT at{};
            GetCaretPos(&at);
            ClientToScreen(Handle(), &at);
            at.x += 2;
            at.y += 14;
            ShowMenu(at);
            result = 0;
            return true;
        }
        return false;
    default:
        return SkinList::OnMessage(msg, wp, lp, result);
    }
}

bool SkinCheckList::OnCommand(UINT, UINT id, HWND control) {
    if (control || id == 0) return false;  // only our menu's commands
    if (id == menu_.selectAll) {
        SetAllChecked(true);
        return true;
    }
    if (id == menu_.deselectAll) {
        SetAllChecked(false);
        return true;
    }
    return false;
}

void SkinCheckList::ShowMenu(POINT at) {
    tw::UniqueHMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menu_.menu)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

#include "skin/SkinCheckList.h"

#include "platform/Handles.h"
#include "resource.h"

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
    case WM_COMMAND:
        if (lp == 0 && LOWORD(wp) == ID_LIST_SELECT_ALL) {
            SetAllChecked(true);
            result = 0;
            return true;
        }
        if (lp == 0 && LOWORD(wp) == ID_LIST_DESELECT_ALL) {
            SetAllChecked(false);
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void SkinCheckList::ShowMenu(POINT at) {
    tw::UniqueHMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

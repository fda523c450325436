#include "skin/SkinCheckList.h"

#include "platform/Handles.h"

#include <windowsx.h>

bool SkinCheckList::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_RBUTTONDOWN: {
        // The list's own handling is skipped, so the click selects nothing, unless the menu acts
        // on rows: then it acts on the row clicked.
        if (handler_.command) SelectRowAt({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
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
    if (!handler_.command) return false;
    handler_.command(id, SelectedRows());
    return true;
}

void SkinCheckList::SelectRowAt(POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    const int index = static_cast<int>(SendMessageA(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0 || SendMessageA(Handle(), LVM_GETITEMSTATE, index, LVIS_SELECTED)) return;
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMA one{};
    one.stateMask = one.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&one));
}

void SkinCheckList::ShowMenu(POINT at) {
    tw::UniqueHMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menu_.menu)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    if (handler_.prepare) handler_.prepare(popup, SelectedRows());
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

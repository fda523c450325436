// The pages' lists with check boxes, with a context menu to tick or untick every row.
#pragma once

#include "skin/SkinList.h"

#include <functional>
#include <vector>

// The context menu's resource and the commands of its two items; the application passes its own.
struct CheckListMenu {
    UINT menu = 0;
    UINT selectAll = 0;
    UINT deselectAll = 0;
};

class SkinCheckList : public SkinList {
public:
    // The pages' list: bordered report view, identifier 1010, grid lines, check boxes and full-row
    // selection; several rows may be selected, so that Space ticks them together.
    static constexpr UINT kPageListId = 1010;
    static constexpr DWORD kPageStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT;
    static constexpr DWORD kPageExStyle = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;

    bool CreateForPage(HWND owner, const ListLine& line, const CheckListMenu& menu) {
        menu_ = menu;
        return Create(owner, line, kPageStyle, kPageExStyle, kPageListId);
    }

    // The rows a menu acts on: those selected, in the order shown.
    using MenuRows = std::vector<int>;
    // A menu with items of the owner's besides the two of its own: prepare may enable or disable
    // them for the rows before the menu shows; command gets every other command chosen. A right
    // click then selects the row under it first (unless it is selected already).
    struct MenuHandler {
        std::function<void(HMENU popup, const MenuRows& rows)> prepare;
        std::function<void(UINT command, const MenuRows& rows)> command;
    };
    void SetMenu(const CheckListMenu& menu, MenuHandler handler) {
        menu_ = menu;
        handler_ = std::move(handler);
    }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnCommand(UINT code, UINT id, HWND control) override;

private:
    void ShowMenu(POINT at);
    void SelectRowAt(POINT at);  // client coordinates

    CheckListMenu menu_;
    MenuHandler handler_;
};

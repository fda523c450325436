// Report-view lists made from a list line: rectangle and columns from the skin.
#pragma once

#include "platform/Window.h"

#include <commctrl.h>
#include "skin/SkinLine.h"

#include <string>

class SkinList : public tw::Window {
public:
    // The summary screens' lists.
    static constexpr DWORD kScreenStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT;
    static constexpr DWORD kScreenExStyle = LVS_EX_FULLROWSELECT;

    // Destroys the list's window if it has one and makes it again as a report-view child of owner
    // at the line's rectangle, with style (LVS_REPORT is always added) and the extended list
    // style, then inserts the line's columns, left-aligned, in order.
    bool Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id);

    int ColumnCount() const;
    int Count() const;
    // Inserts a row at index with the first column's text; returns its index or -1.
    int InsertRow(int index, const std::string& text);
    void SetCell(int row, int column, const std::string& text);
    std::string Cell(int row, int column) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    void DeleteAll();
};

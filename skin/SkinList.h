// Report-view lists made from a list line: rectangle and columns from the skin.
//
// The rows live in the element, under its lock, and the list-view control shows them (see
// SkinElementSet.h): any thread may fill, tick and read the list without waiting for the window's
// thread. The control is a virtual (owner-data) list: it holds only the number of rows and asks
// for the texts and ticks of the rows it draws or is asked about, so tens of thousands of rows go
// in at once. Assistive tools read the texts and ticks through the ordinary list-view messages.
// The control stores no ticks: clicks on a check box and Space are applied to the rows here.
//
// On the window's thread the user may sort the rows by a column (clicking its header; again
// reverses) without changing their indexes: Count, Cell, Checked and the other row operations
// always take the row's index in the order it was filled; RowShownAt maps the control's index.
#pragma once

#include "platform/Window.h"

#include <commctrl.h>
#include "skin/SkinLine.h"

#include <mutex>
#include <string>
#include <vector>

class SkinList : public tw::Window {
public:
    // The summary screens' lists.
    static constexpr DWORD kScreenStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT;
    static constexpr DWORD kScreenExStyle = LVS_EX_FULLROWSELECT;

    // Destroys the list's window if it has one and makes it again as a report-view child of owner
    // at the line's rectangle, with style (LVS_REPORT and LVS_OWNERDATA are always added) and the
    // extended list style, then inserts the line's columns, left-aligned, in order, the last one
    // reaching the list's right edge. The rows start empty.
    bool Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id);

    int ColumnCount() const;  // asks the control: window thread only

    // Any thread.
    int Count() const;
    // Inserts an unticked row at index (at the end when index is outside the rows) with the first
    // column's text; returns its index.
    int InsertRow(int index, const std::string& text);
    // Rows outside the list are left alone.
    void SetCell(int row, int column, const std::string& text);
    std::string Cell(int row, int column) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    void DeleteAll();
    // Every row at once, each with these cells and tick.
    void ReplaceRows(std::vector<std::vector<std::string>> cells, bool checked);

    // Window thread. The row the control shows at this index (-1 when none); the rows the control
    // has selected, in the order shown.
    int RowShownAt(int index) const;
    std::vector<int> SelectedRows() const;
    // Sorts the shown rows by a column; the same column again reverses the order. Rows inserted,
    // replaced or deleted afterwards show in their own order again.
    void SortBy(int column);

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnReflectedNotify(NMHDR& header, LRESULT& result) override;
    void OnApply() override;

private:
    struct Row {
        std::vector<std::string> cells;
        bool checked = false;
    };
    void FillWidth();
    // With the lock held: the rows were inserted, replaced or deleted.
    void Reordered();
    int RowShownAtLocked(int index) const;
    // The control asks for what it shows (NMLVDISPINFOA/W, NMLVGETINFOTIPA/W).
    template <typename Info>
    void Answer(Info& info) const;
    template <typename Tip>
    void AnswerTip(Tip& tip) const;
    // The header's arrow on the sorted column (none for -1).
    void ShowSortArrow(int column);
    // A click on a row's check box ticks or unticks it.
    void ClickedAt(POINT at);
    // Space: every selected row takes the opposite of the focused row's tick.
    void ToggleSelected();

    mutable std::mutex lock_;  // guards rows_, order_, sortColumn_, descending_ and reordered_
    std::vector<Row> rows_;
    std::vector<int> order_;  // the rows as shown, when sorted; empty: as filled
    int sortColumn_ = -1;
    bool descending_ = false;
    bool reordered_ = false;  // the control's selection names rows that have moved since
    std::vector<std::string> titles_;  // the columns' titles, for the info tips
    bool checkBoxes_ = false;
};

// Report-view lists made from a list line: rectangle and columns from the skin.
//
// The rows live in the element, under its lock, and the list-view control shows them (see
// SkinElementSet.h): any thread may fill, tick and read the list without waiting for the window's
// thread. Changes are queued and the control takes them on its own thread, in order; ticks the
// user makes in the control come back into the rows.
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
    // at the line's rectangle, with style (LVS_REPORT is always added) and the extended list
    // style, then inserts the line's columns, left-aligned, in order, the last one reaching the
    // list's right edge. The rows start empty.
    bool Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id);

    int ColumnCount() const;  // asks the control: window thread only
    // Widens the last column to the list's width (the skin's widths are the least).
    void FillWidth();

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
    // Every row at once, each with these cells and tick. The control takes them with its drawing
    // off and its item count set beforehand, a few thousand rows per turn of the window's message
    // loop, so the window keeps answering while tens of thousands of rows go in.
    void ReplaceRows(std::vector<std::vector<std::string>> cells, bool checked);

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnReflectedNotify(NMHDR& header, LRESULT& result) override;
    void OnApply() override;

private:
    struct Row {
        std::vector<std::string> cells;
        bool checked = false;
    };
    // One change for the control, in the order the rows took it.
    struct Change {
        enum Kind { Insert, Cell, Check, Clear, Replace } kind;
        int row;
        int column;
        std::string text;
        bool checked;
        std::vector<Row> rows = {};  // Replace: the new rows
    };
    void Queue(Change change);  // with the lock held
    void Show(const Change& change);
    // The bulk fill: the control is emptied and sized, then takes the rows turn by turn.
    void StartFill(std::vector<Row> rows);
    void FillSome();
    // A message for the control's own procedure, past the subclass chain.
    LRESULT Direct(UINT msg, WPARAM wp, const void* lp);

    mutable std::mutex lock_;  // guards rows_ and queued_
    std::vector<Row> rows_;
    std::vector<Change> queued_;
    bool applying_ = false;  // window thread: the control's change notices are our own
    std::vector<Row> filling_;  // window thread: the rows of a bulk fill under way
    std::size_t filled_ = 0;    // how many of them the control has
};

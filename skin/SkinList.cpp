#include "skin/SkinList.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// While a list takes many rows at once its notices to the parent (one or more a row) are answered
// here: the parent's own procedure would look its object up for each, a server round trip under
// Wine. Only the list itself listens to them, and it ignores its own changes anyway.
class QuietParent {
public:
    QuietParent(HWND list) : list_(list), parent_(GetParent(list)) {
        if (!parent_ || active_) return;
        active_ = this;
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QuietParent::Proc)));
        if (!original_) active_ = nullptr;
    }
    ~QuietParent() {
        if (active_ != this) return;
        SetWindowLongPtrA(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        active_ = nullptr;
    }
    QuietParent(const QuietParent&) = delete;
    QuietParent& operator=(const QuietParent&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (msg == WM_NOTIFY && header && header->hwndFrom == active_->list_)
            return header->code == LVN_DELETEALLITEMS ? TRUE : 0;  // TRUE: no notice per deleted row
        return CallWindowProcA(active_->original_, window, msg, wp, lp);
    }

    static thread_local QuietParent* active_;
    HWND list_;
    HWND parent_;
    WNDPROC original_ = nullptr;
};

thread_local QuietParent* QuietParent::active_ = nullptr;

}  // namespace

bool SkinList::Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id) {
    Destroy();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.clear();
        queued_.clear();
    }
    filling_.clear();
    filled_ = 0;
    RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
    if (!tw::Window::Create(WC_LISTVIEWA, "", style | LVS_REPORT, 0, r, owner, id)) return false;
    if (exStyle) SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
    for (std::size_t i = 0; i < line.columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = line.columns[i].width;
        column.pszText = const_cast<char*>(line.columns[i].title.c_str());
        column.iSubItem = static_cast<int>(i);
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    FillWidth();
    return true;
}

void SkinList::FillWidth() {
    const int columns = ColumnCount();
    if (columns < 1) return;
    RECT client{};
    GetClientRect(Handle(), &client);
    // Room is kept for the vertical scroll bar, so that a long list needs no horizontal one.
    int rest = client.right - GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i + 1 < columns; ++i) rest -= static_cast<int>(SendMessageA(Handle(), LVM_GETCOLUMNWIDTH, i, 0));
    if (rest > SendMessageA(Handle(), LVM_GETCOLUMNWIDTH, columns - 1, 0))
        SendMessageA(Handle(), LVM_SETCOLUMNWIDTH, columns - 1, MAKELPARAM(rest, 0));
}

int SkinList::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int SkinList::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(rows_.size());
}

int SkinList::InsertRow(int index, const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (index < 0 || static_cast<std::size_t>(index) > rows_.size()) index = static_cast<int>(rows_.size());
        rows_.insert(rows_.begin() + index, Row{{text}, false});
        Queue({Change::Insert, index, 0, text, false});
    }
    RequestApply();
    return index;
}

void SkinList::SetCell(int row, int column, const std::string& text) {
    if (column < 0) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
        auto& cells = rows_[static_cast<std::size_t>(row)].cells;
        if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
        cells[static_cast<std::size_t>(column)] = text;
        Queue({Change::Cell, row, column, text, false});
    }
    RequestApply();
}

std::string SkinList::Cell(int row, int column) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (row < 0 || column < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
    const auto& cells = rows_[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : std::string();
}

bool SkinList::Checked(int row) const {
    std::lock_guard<std::mutex> guard(lock_);
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() && rows_[static_cast<std::size_t>(row)].checked;
}

void SkinList::SetChecked(int row, bool checked) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
        rows_[static_cast<std::size_t>(row)].checked = checked;
        Queue({Change::Check, row, 0, {}, checked});
    }
    RequestApply();
}

void SkinList::SetAllChecked(bool checked) {
    // The count is asked again for every row, as rows may go while the list is walked.
    for (int i = 0; i < Count(); ++i) SetChecked(i, checked);
}

void SkinList::DeleteAll() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.clear();
        queued_.clear();  // nothing queued matters once every row goes
        Queue({Change::Clear, 0, 0, {}, false});
    }
    RequestApply();
}

void SkinList::ReplaceRows(std::vector<std::vector<std::string>> cells, bool checked) {
    std::vector<Row> rows;
    rows.reserve(cells.size());
    for (auto& c : cells) rows.push_back(Row{std::move(c), checked});
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_ = rows;
        queued_.clear();  // every earlier change is replaced
        Queue({Change::Replace, 0, 0, {}, checked, std::move(rows)});
    }
    RequestApply();
}

void SkinList::Queue(Change change) { queued_.push_back(std::move(change)); }

void SkinList::OnApply() {
    if (filled_ < filling_.size()) return;  // the fill takes the queue when it is done
    std::vector<Change> changes;
    {
        std::lock_guard<std::mutex> guard(lock_);
        changes.swap(queued_);
    }
    if (changes.empty()) return;
    if (changes.front().kind == Change::Replace) {
        // A replacement comes first in its queue; what came after it waits for the fill.
        {
            std::lock_guard<std::mutex> guard(lock_);
            queued_.insert(queued_.begin(), std::make_move_iterator(changes.begin() + 1),
                           std::make_move_iterator(changes.end()));
        }
        StartFill(std::move(changes.front().rows));
        return;
    }
    // Row by row a visible list repaints every time: hundreds of rows would take seconds.
    const bool many = changes.size() > 4;
    if (many) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    applying_ = true;
    for (const Change& change : changes) Show(change);
    applying_ = false;
    if (many) {
        SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void SkinList::Show(const Change& change) {
    switch (change.kind) {
    case Change::Insert: {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = change.row;
        item.pszText = const_cast<char*>(change.text.c_str());
        SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        break;
    }
    case Change::Cell: {
        LVITEMA item{};
        item.iSubItem = change.column;
        item.pszText = const_cast<char*>(change.text.c_str());
        SendMessageA(Handle(), LVM_SETITEMTEXTA, change.row, reinterpret_cast<LPARAM>(&item));
        break;
    }
    case Change::Check: {
        LVITEMA item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(change.checked ? 2 : 1);
        SendMessageA(Handle(), LVM_SETITEMSTATE, change.row, reinterpret_cast<LPARAM>(&item));
        break;
    }
    case Change::Clear:
        SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
        break;
    case Change::Replace:
        break;  // taken by OnApply
    }
}

namespace {

// The bulk fill's next turn, posted to the list itself.
UINT FillMessage() {
    static const UINT message = RegisterWindowMessageA("Tidewarp.ListFill");
    return message;
}

}  // namespace

LRESULT SkinList::Direct(UINT msg, WPARAM wp, const void* lp) {
    // The subclass chain costs a property lookup per message (a server round trip under Wine),
    // which for three messages a row would take seconds.
    static const WNDPROC proc = [] {
        WNDCLASSA control{};
        return GetClassInfoA(nullptr, WC_LISTVIEWA, &control) ? control.lpfnWndProc : nullptr;
    }();
    const LPARAM param = reinterpret_cast<LPARAM>(lp);
    return proc ? CallWindowProcA(proc, Handle(), msg, wp, param) : SendMessageA(Handle(), msg, wp, param);
}

void SkinList::StartFill(std::vector<Row> rows) {
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    {
        QuietParent quiet(Handle());
        Direct(LVM_DELETEALLITEMS, 0, nullptr);
        Direct(LVM_SETITEMCOUNT, rows.size(), reinterpret_cast<const void*>(LVSICF_NOINVALIDATEALL));
    }
    filling_ = std::move(rows);
    filled_ = 0;
    FillSome();
}

void SkinList::FillSome() {
    constexpr std::size_t kRowsPerTurn = 1000;  // some 25 ms under Wine
    const std::size_t end = std::min(filling_.size(), filled_ + kRowsPerTurn);
    QuietParent quiet(Handle());
    applying_ = true;
    LVITEMA tick{};
    tick.stateMask = LVIS_STATEIMAGEMASK;
    tick.state = INDEXTOSTATEIMAGEMASK(2);
    for (; filled_ < end; ++filled_) {
        const Row& row = filling_[filled_];
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(filled_);
        item.pszText = const_cast<char*>(row.cells.empty() ? "" : row.cells[0].c_str());
        const int at = static_cast<int>(Direct(LVM_INSERTITEMA, 0, &item));
        if (at < 0) continue;
        for (std::size_t c = 1; c < row.cells.size(); ++c) {
            LVITEMA cell{};
            cell.iSubItem = static_cast<int>(c);
            cell.pszText = const_cast<char*>(row.cells[c].c_str());
            Direct(LVM_SETITEMTEXTA, at, &cell);
        }
        // A check box takes no tick when its row is inserted.
        if (row.checked) Direct(LVM_SETITEMSTATE, at, &tick);
    }
    applying_ = false;
    if (filled_ < filling_.size() && PostMessageA(Handle(), FillMessage(), 0, 0)) return;
    filling_.clear();
    filled_ = 0;
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
    OnApply();  // what came meanwhile
}

bool SkinList::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != FillMessage()) return false;
    if (filled_ < filling_.size()) FillSome();
    result = 0;
    return true;
}

bool SkinList::OnReflectedNotify(NMHDR& header, LRESULT&) {
    if (header.code != LVN_ITEMCHANGED || applying_) return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) return false;
    const bool ticked = ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
    bool undo = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= rows_.size()) return false;
        Row& row = rows_[static_cast<std::size_t>(change.iItem)];
        if (queued_.empty()) {
            row.checked = ticked;  // the user's tick
        } else {
            // The control still shows rows that are being replaced: the tick was on one of those.
            Queue({Change::Check, change.iItem, 0, {}, row.checked});
            undo = true;
        }
    }
    if (undo) RequestApply();
    return false;
}

#include "skin/SkinList.h"

#include "skin/ListRows.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Copies text into a buffer of size characters, cut to fit, always ended.
void CopyText(const std::string& text, char* buffer, int size) {
    if (!buffer || size < 1) return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void CopyText(const std::string& text, wchar_t* buffer, int size) {
    if (!buffer || size < 1) return;
    std::wstring wide(text.size(), L'\0');
    const int all = text.empty() ? 0
                                 : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                                       static_cast<int>(wide.size()));
    const int kept = std::min(all, size - 1);
    std::copy(wide.begin(), wide.begin() + kept, buffer);
    buffer[kept] = L'\0';
}

int ImageOf(bool checked) { return checked ? 2 : 1; }

}  // namespace

bool SkinList::Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id) {
    Destroy();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.clear();
        Reordered();
        reordered_ = false;
    }
    titles_.clear();
    checkBoxes_ = (exStyle & LVS_EX_CHECKBOXES) != 0;
    RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
    if (!tw::Window::Create(WC_LISTVIEWA, "", style | LVS_REPORT | LVS_OWNERDATA, 0, r, owner, id)) return false;
    exStyle |= LVS_EX_INFOTIP;
    SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
    // The ticks are the rows' own: the control asks for them as for the texts.
    if (checkBoxes_) SendMessageA(Handle(), LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    for (std::size_t i = 0; i < line.columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = line.columns[i].width;
        column.pszText = const_cast<char*>(line.columns[i].title.c_str());
        column.iSubItem = static_cast<int>(i);
        SendMessageA(Handle(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        titles_.push_back(line.columns[i].title);
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
        Reordered();
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
    }
    RequestApply();
}

void SkinList::SetAllChecked(bool checked) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (Row& row : rows_) row.checked = checked;
    }
    RequestApply();
}

void SkinList::DeleteAll() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.clear();
        Reordered();
    }
    RequestApply();
}

void SkinList::ReplaceRows(std::vector<std::vector<std::string>> cells, bool checked) {
    std::vector<Row> rows;
    rows.reserve(cells.size());
    for (auto& c : cells) rows.push_back(Row{std::move(c), checked});
    {
        std::lock_guard<std::mutex> guard(lock_);
        rows_.swap(rows);
        Reordered();
    }
    RequestApply();  // the old rows go here, outside the lock
}

void SkinList::Reordered() {
    order_.clear();
    sortColumn_ = -1;
    descending_ = false;
    reordered_ = true;
}

int SkinList::RowShownAtLocked(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return -1;
    if (order_.empty()) return index;
    return static_cast<std::size_t>(index) < order_.size() ? order_[static_cast<std::size_t>(index)] : -1;
}

int SkinList::RowShownAt(int index) const {
    std::lock_guard<std::mutex> guard(lock_);
    return RowShownAtLocked(index);
}

std::vector<int> SkinList::SelectedRows() const {
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(SendMessageA(Handle(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) {
        const int row = RowShownAt(i);
        if (row >= 0) rows.push_back(row);
    }
    return rows;
}

void SkinList::SortBy(int column) {
    if (column < 0) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        std::vector<std::vector<std::string>> keys;
        keys.reserve(rows_.size());
        for (const Row& row : rows_)
            keys.push_back({static_cast<std::size_t>(column) < row.cells.size() ? row.cells[column] : std::string()});
        descending_ = column == sortColumn_ && !descending_;
        sortColumn_ = column;
        order_.clear();
        for (std::size_t row : SortedOrder(keys, 0, descending_)) order_.push_back(static_cast<int>(row));
    }
    ShowSortArrow(column);
    // What was selected now shows other rows.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    InvalidateRect(Handle(), nullptr, TRUE);
}

void SkinList::ShowSortArrow(int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    bool descending = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        descending = descending_;
    }
    for (int i = 0; i < columns; ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void SkinList::OnApply() {
    int count = 0;
    bool reordered = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        count = static_cast<int>(rows_.size());
        reordered = reordered_;
        reordered_ = false;
    }
    if (reordered) {
        ShowSortArrow(-1);
        // The control's selection and focus name shown indexes, which now show other rows.
        LVITEMA none{};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    }
    if (SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0) != count) SendMessageA(Handle(), LVM_SETITEMCOUNT, count, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

template <typename Info>
void SkinList::Answer(Info& info) const {
    auto& item = info.item;
    std::lock_guard<std::mutex> guard(lock_);
    const int row = RowShownAtLocked(item.iItem);
    const Row* shown = row >= 0 ? &rows_[static_cast<std::size_t>(row)] : nullptr;
    if (item.mask & LVIF_TEXT) {
        const std::size_t column = static_cast<std::size_t>(std::max(item.iSubItem, 0));
        CopyText(shown && column < shown->cells.size() ? shown->cells[column] : std::string(), item.pszText,
                 item.cchTextMax);
    }
    if ((item.mask & LVIF_STATE) && checkBoxes_) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(ImageOf(shown && shown->checked));
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

template <typename Tip>
void SkinList::AnswerTip(Tip& tip) const {
    std::lock_guard<std::mutex> guard(lock_);
    const int row = RowShownAtLocked(tip.iItem);
    if (row < 0) return;
    const std::string text = RowTip(titles_, rows_[static_cast<std::size_t>(row)].cells);
    // The control may hand over the label it would show cut: the whole tip replaces it.
    CopyText(text, tip.pszText, tip.cchTextMax);
}

void SkinList::ToggleSelected() {
    const int focused = RowShownAt(static_cast<int>(SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
    std::vector<int> rows = SelectedRows();
    if (rows.empty() && focused >= 0) rows.push_back(focused);
    if (rows.empty()) return;
    const bool tick = !Checked(focused >= 0 ? focused : rows.front());
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (int row : rows)
            if (static_cast<std::size_t>(row) < rows_.size()) rows_[static_cast<std::size_t>(row)].checked = tick;
    }
    RequestApply();
}

bool SkinList::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    // Space ticks the selected rows together; the control alone would tick only the focused one.
    if (checkBoxes_ && wp == VK_SPACE && (msg == WM_KEYDOWN || msg == WM_CHAR)) {
        if (msg == WM_KEYDOWN) ToggleSelected();
        result = 0;
        return true;
    }
    return false;
}

bool SkinList::OnReflectedNotify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
    // The control asks in the parent's character set: a parent subclassed through comctl32 is a
    // Unicode window.
    case LVN_GETDISPINFOA:
        Answer(reinterpret_cast<NMLVDISPINFOA&>(header));
        result = 0;
        return true;
    case LVN_GETDISPINFOW:
        Answer(reinterpret_cast<NMLVDISPINFOW&>(header));
        result = 0;
        return true;
    case LVN_GETINFOTIPA:
        AnswerTip(reinterpret_cast<NMLVGETINFOTIPA&>(header));
        result = 0;
        return true;
    case LVN_GETINFOTIPW:
        AnswerTip(reinterpret_cast<NMLVGETINFOTIPW&>(header));
        result = 0;
        return true;
    case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        result = 0;
        return true;
    case NM_CLICK:
        ClickedAt(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
        return false;
    default:
        return false;
    }
}

void SkinList::ClickedAt(POINT at) {
    // The control keeps no ticks of a virtual list: a click on a row's check box is ours to apply.
    if (!checkBoxes_) return;
    LVHITTESTINFO hit{};
    hit.pt = at;
    if (SendMessageA(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || !(hit.flags & LVHT_ONITEMSTATEICON))
        return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        // Rows replaced since the control last took them: the click was meant for a row now gone.
        const int row = reordered_ ? -1 : RowShownAtLocked(hit.iItem);
        if (row < 0) return;
        rows_[static_cast<std::size_t>(row)].checked = !rows_[static_cast<std::size_t>(row)].checked;
    }
    RequestApply();
}

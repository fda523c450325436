#include "skin/SkinList.h"

#include <commctrl.h>

bool SkinList::Create(HWND owner, const ListLine& line, DWORD style, DWORD exStyle, UINT id) {
    Destroy();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
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
    return true;
}

int SkinList::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int SkinList::Count() const { return Handle() ? static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0)) : 0; }

int SkinList::InsertRow(int index, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SkinList::SetCell(int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(Handle(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string SkinList::Cell(int row, int column) const {
    char buffer[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(Handle(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

bool SkinList::Checked(int row) const {
    LRESULT state = SendMessageA(Handle(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void SkinList::SetChecked(int row, bool checked) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void SkinList::SetAllChecked(bool checked) {
    // The count is asked again for every row, as rows may go while the list is walked.
    for (int i = 0; i < Count(); ++i) SetChecked(i, checked);
}

void SkinList::DeleteAll() {
    if (Handle()) SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
}

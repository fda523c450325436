// A list of many rows: the control holds only their number and asks for what it shows, so rows,
// ticks, sorting, Space and info tips are all read from the rows themselves.
#include "doctest.h"

#include "skin_test_support.h"

#include <string>
#include <thread>

using namespace skintest;

namespace {

struct ListFixture {
    OwnerWindow owner;
    SkinCheckList list;
    ListFixture() {
        REQUIRE(owner.Open(10, 10, 400, 300));
        ListLine line;
        line.rect = {0, 0, 380, 280};
        line.columns = {{"Error", 80}, {"File", 100}, {"Location", 100}};
        REQUIRE(list.CreateForPage(owner.Handle(), line, kListMenu));
    }
    int Shown() { return static_cast<int>(SendMessageA(list.Handle(), LVM_GETITEMCOUNT, 0, 0)); }
    // The tick and the texts as an assistive tool reads them.
    int Tick(int index) {
        return static_cast<int>(SendMessageA(list.Handle(), LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK) >> 12);
    }
    std::string Text(int index, int column, int size = 260) {
        std::string text(static_cast<std::size_t>(size), '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = size;
        SendMessageA(list.Handle(), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        return text.c_str();
    }
    void Select(int index) {
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list.Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }
    void Key(UINT key) {
        SendMessageA(list.Handle(), WM_KEYDOWN, key, 0);
        SendMessageA(list.Handle(), WM_CHAR, key, 0);
        SendMessageA(list.Handle(), WM_KEYUP, key, 0);
        Pump();
    }
};

}  // namespace

TEST_CASE("twenty thousand rows reach the control at once, ticked, with their full texts") {
    ListFixture f;
    const std::string longPath = "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + std::string(200, 'x') + " (whole key)";
    for (int round = 0; round < 2; ++round) {  // the second replaces a full list
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back({"Invalid CLSID", "item " + std::to_string(round) + "-" + std::to_string(i), longPath});
        f.list.ReplaceRows(std::move(rows), true);
        f.list.SetChecked(19999, false);
        REQUIRE(f.Shown() == 20000);
        CHECK(f.Tick(0) == 2);
        CHECK(f.Tick(19998) == 2);
        CHECK(f.Tick(19999) == 1);
        CHECK(f.Text(19998, 1) == "item " + std::to_string(round) + "-19998");
        CHECK(f.Text(5, 2, 1024) == longPath);
        CHECK(f.Text(5, 2, 8) == longPath.substr(0, 7));  // cut to the reader's buffer
        CHECK(f.Text(20000, 0).empty());
        CHECK(f.Text(0, 7).empty());
    }
    f.list.DeleteAll();
    CHECK(f.Shown() == 0);
}

TEST_CASE("ticks set through the control, by Space and from the menu come back into the rows") {
    ListFixture f;
    f.list.ReplaceRows({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}, true);
    SUBCASE("a click on a check box ticks or unticks its row; a click beside it does not") {
        ClickCheckBox(f.list.Handle(), 2);
        CHECK_FALSE(f.list.Checked(2));
        CHECK(f.Tick(2) == 1);
        CHECK(f.list.Checked(1));
        CHECK(f.list.Checked(3));
        ClickCheckBox(f.list.Handle(), 2);
        CHECK(f.list.Checked(2));
        RECT row{};
        row.left = LVIR_LABEL;
        SendMessageA(f.list.Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
        const LPARAM label = MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2);
        SendMessageA(f.list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, label);
        SendMessageA(f.list.Handle(), WM_LBUTTONUP, 0, label);
        Pump();
        CHECK(f.list.Checked(1));
    }
    SUBCASE("a click on rows replaced meanwhile ticks none of the new ones") {
        std::thread([&] { f.list.ReplaceRows({{"e"}, {"f"}}, true); }).join();
        ClickCheckBox(f.list.Handle(), 0);  // before the control has taken them
        CHECK(f.list.Checked(0));
        CHECK(f.Tick(0) == 2);
        ClickCheckBox(f.list.Handle(), 0);
        CHECK_FALSE(f.list.Checked(0));
    }
    SUBCASE("Space: the selected rows take the opposite of the focused row's tick, together") {
        f.Select(1);
        f.Key(VK_SPACE);
        CHECK_FALSE(f.list.Checked(1));
        CHECK(f.list.Checked(0));
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessageA(f.list.Handle(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&item));
        f.Key(VK_SPACE);  // the focused row is unticked: both are ticked
        CHECK(f.list.Checked(1));
        CHECK(f.list.Checked(3));
        f.Key(VK_SPACE);
        CHECK_FALSE(f.list.Checked(1));
        CHECK_FALSE(f.list.Checked(3));
        CHECK(f.list.Checked(2));
        CHECK(f.Tick(3) == 1);
    }
    SUBCASE("the whole list from the menu") {
        SendMessageA(f.list.Handle(), WM_COMMAND, ID_LIST_DESELECT_ALL, 0);
        for (int i = 0; i < 4; ++i) CHECK((!f.list.Checked(i) && f.Tick(i) == 1));
    }
}

TEST_CASE("a column's header sorts the shown rows, again reverses; the rows keep their indexes") {
    ListFixture f;
    f.list.ReplaceRows({{"b", "2"}, {"A", "3"}, {"c", "1"}}, true);
    f.list.SetChecked(2, false);
    HWND header = reinterpret_cast<HWND>(SendMessageA(f.list.Handle(), LVM_GETHEADER, 0, 0));
    auto clickHeader = [&](int column) {
        RECT r{};
        SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(header, WM_LBUTTONUP, 0, at);
        Pump();
    };
    clickHeader(0);
    CHECK(f.Text(0, 0) == "A");
    CHECK(f.Text(1, 0) == "b");
    CHECK(f.Text(2, 0) == "c");
    CHECK(f.Tick(2) == 1);  // the tick goes with its row
    CHECK(f.list.RowShownAt(0) == 1);
    CHECK(f.list.Cell(0, 0) == "b");
    ClickCheckBox(f.list.Handle(), 0);  // shown first: row 1
    CHECK_FALSE(f.list.Checked(1));
    CHECK(f.list.Checked(0));
    auto arrow = [&](int column) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    CHECK(arrow(0) == HDF_SORTUP);
    clickHeader(0);
    CHECK(f.Text(0, 0) == "c");
    CHECK(arrow(0) == HDF_SORTDOWN);
    clickHeader(1);
    CHECK(f.Text(0, 1) == "1");
    CHECK(arrow(0) == 0);
    CHECK(arrow(1) == HDF_SORTUP);
    f.list.InsertRow(0, "z");  // a new row: the order as filled again
    CHECK(f.Text(0, 0) == "z");
    CHECK(f.Text(1, 0) == "b");
    CHECK(arrow(1) == 0);
}

TEST_CASE("a row's info tip holds its full texts under the column titles") {
    ListFixture f;
    f.list.ReplaceRows({{"Invalid CLSID", "C:\\gone.dll", "HKEY_CLASSES_ROOT\\CLSID\\{1} (whole key)"}}, true);
    char buffer[INFOTIPSIZE] = "label";
    NMLVGETINFOTIPA tip{};
    tip.hdr.hwndFrom = f.list.Handle();
    tip.hdr.idFrom = GetDlgCtrlID(f.list.Handle());
    tip.hdr.code = LVN_GETINFOTIPA;
    tip.pszText = buffer;
    tip.cchTextMax = sizeof buffer;
    tip.iItem = 0;
    SendMessageA(f.owner.Handle(), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    CHECK(std::string(buffer) == "Error: Invalid CLSID\nFile: C:\\gone.dll\nLocation: HKEY_CLASSES_ROOT\\CLSID\\{1} (whole key)");
    CHECK((SendMessageA(f.list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_INFOTIP) != 0);
}

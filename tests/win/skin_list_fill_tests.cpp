// A list taking many rows at once: the control gets them over several turns of the message loop,
// ticked, and changes made meanwhile follow them.
#include "doctest.h"

#include "skin_test_support.h"

using namespace skintest;

TEST_CASE("a bulk fill reaches the control turn by turn, ticked; a change made meanwhile comes after it") {
    OwnerWindow owner;
    REQUIRE(owner.Open(10, 10, 400, 300));
    SkinCheckList list;
    ListLine line;
    line.rect = {0, 0, 380, 280};
    line.columns = {{"Select", 40}, {"Type", 60}, {"FileName", 200}};
    REQUIRE(list.CreateForPage(owner.Handle(), line, kListMenu));
    auto shown = [&] { return static_cast<int>(SendMessageA(list.Handle(), LVM_GETITEMCOUNT, 0, 0)); };
    auto tick = [&](int row) { return SendMessageA(list.Handle(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12; };

    for (int round = 0; round < 2; ++round) {  // the second replaces a full list
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < 2500; ++i) rows.push_back({"", "CLSID", "item " + std::to_string(round) + std::to_string(i)});
        list.ReplaceRows(std::move(rows), true);
        list.SetChecked(2499, false);
        CHECK(list.Count() == 2500);
        CHECK(shown() < 2500);  // the rest waits for the next turns
        Pump();
        REQUIRE(shown() == 2500);
        CHECK(tick(0) == 2);
        CHECK(tick(2498) == 2);
        CHECK(tick(2499) == 1);
        CHECK_FALSE(list.Checked(2499));
        char text[32] = "";
        LVITEMA item{};
        item.iSubItem = 2;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list.Handle(), LVM_GETITEMTEXTA, 2498, reinterpret_cast<LPARAM>(&item));
        CHECK(std::string(text) == "item " + std::to_string(round) + "2498");
    }
}

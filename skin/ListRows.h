// What a list shows of its rows beyond the cells: the order when sorted by a column, and the info
// tip with a row's full texts. Free of windows.h, so it is tested on the host too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The order rows show in when sorted by one column: letter case aside, rows of equal text keep
// their order; descending reverses the whole order. A missing cell sorts as an empty text.
std::vector<std::size_t> SortedOrder(const std::vector<std::vector<std::string>>& rows, std::size_t column,
                                     bool descending);

// Every cell on its own line after its column's title, "Title: text"; cells without a column are
// left out.
std::string RowTip(const std::vector<std::string>& titles, const std::vector<std::string>& cells);

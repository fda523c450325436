#include "skin/ListRows.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace {

int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

const std::string& CellOf(const std::vector<std::string>& row, std::size_t column) {
    static const std::string empty;
    return column < row.size() ? row[column] : empty;
}

}  // namespace

std::vector<std::size_t> SortedOrder(const std::vector<std::vector<std::string>>& rows, std::size_t column,
                                     bool descending) {
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareNoCase(CellOf(rows[a], column), CellOf(rows[b], column)) < 0;
    });
    if (descending) std::reverse(order.begin(), order.end());
    return order;
}

std::string RowTip(const std::vector<std::string>& titles, const std::vector<std::string>& cells) {
    std::string tip;
    for (std::size_t i = 0; i < cells.size() && i < titles.size(); ++i) {
        if (!tip.empty()) tip += "\n";
        tip += titles[i] + ": " + cells[i];
    }
    return tip;
}

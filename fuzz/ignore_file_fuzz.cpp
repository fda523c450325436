// "ignore.lst" over arbitrary bytes: whatever a file holds, writing back what was read and reading
// that again gives the same entries and the same unpaired line; and any two fields, whatever their
// bytes, survive a write and a read unchanged.
#include "registry/IgnoreFile.h"

#include <cstdint>
#include <string>

namespace {

bool Same(const std::vector<ignorefile::Entry>& a, const std::vector<ignorefile::Entry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].item != b[i].item || a[i].category != b[i].category) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string tail, tailAgain;
    const auto entries = ignorefile::Parse(bytes, &tail);
    const auto again = ignorefile::Parse(ignorefile::Serialize(entries, tail), &tailAgain);
    if (!Same(entries, again)) __builtin_trap();
    if (tail.empty() != tailAgain.empty()) __builtin_trap();

    const std::vector<ignorefile::Entry> fields{{bytes.substr(0, size / 2), bytes.substr(size / 2)}};
    std::string none;
    if (!Same(ignorefile::Parse(ignorefile::Serialize(fields), &none), fields) || !none.empty()) __builtin_trap();
    return 0;
}

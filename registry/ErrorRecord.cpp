#include "registry/ErrorRecord.h"

#include "platform/Text.h"

ErrorRecord::ErrorRecord(const ErrorRecord& other)
    : category_(other.category_),
      keyPath_(other.keyPath_),
      value_(other.value_ ? std::make_unique<RegValueEntry>(*other.value_) : nullptr),
      fixKind_(other.fixKind_),
      item_(other.item_),
      testedPath_(other.testedPath_),
      testedNative_(other.testedNative_) {}

ErrorRecord& ErrorRecord::operator=(const ErrorRecord& other) {
    if (this != &other) {
        ErrorRecord copy(other);
        *this = std::move(copy);
    }
    return *this;
}

bool IsKeyAtOrBelow(const std::string& path, const std::string& key) {
    if (path.empty() || key.empty() || path.size() < key.size()) return false;
    if (!tw::EqualsNoCase(std::string_view(path).substr(0, key.size()), key)) return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

bool HoldsEntry(const ErrorList& list, const ErrorRecord& entry) {
    for (const ErrorRecord& r : list)
        if (r.Item() == entry.Item() && r.Category() == entry.Category()) return true;
    return false;
}

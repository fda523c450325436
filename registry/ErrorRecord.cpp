#include "registry/ErrorRecord.h"

ErrorRecord::ErrorRecord(const ErrorRecord& other)
    : category_(other.category_),
      keyPath_(other.keyPath_),
      value_(other.value_ ? std::make_unique<RegValueEntry>(*other.value_) : nullptr),
      fixKind_(other.fixKind_),
      item_(other.item_) {}

ErrorRecord& ErrorRecord::operator=(const ErrorRecord& other) {
    if (this != &other) {
        ErrorRecord copy(other);
        *this = std::move(copy);
    }
    return *this;
}

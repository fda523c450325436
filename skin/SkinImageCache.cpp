#include "skin/SkinImageCache.h"

#include "skin/SkinImage.h"

#include <algorithm>
#include <utility>

SharedBitmap ShareBitmap(tw::UniqueHBitmap bitmap) {
    if (!bitmap) return {};
    return SharedBitmap(bitmap.release(), [](HBITMAP b) { DeleteObject(b); });
}

namespace {

std::string KeyOf(const std::string& path) {
    std::string key = path;
    CharLowerBuffA(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

}  // namespace

SharedBitmap SkinImageCache::Load(const std::string& path, SIZE* size, bool* found) {
    std::string key = KeyOf(path);
    // Taking the batch in empties ahead_: decide first, then wait.
    if (std::any_of(ahead_.begin(), ahead_.end(), [&](const auto& a) { return a.first == key; })) FinishAhead();
    auto at = entries_.find(key);
    if (at == entries_.end()) {
        Entry entry;
        tw::UniqueHBitmap bitmap;
        entry.size = LoadSkinImage(path, bitmap, &entry.found);
        entry.bitmap = ShareBitmap(std::move(bitmap));
        at = entries_.emplace(std::move(key), std::move(entry)).first;
    }
    if (size) *size = at->second.size;
    if (found) *found = at->second.found;
    return at->second.bitmap;
}

void SkinImageCache::DecodeAhead(const std::vector<std::string>& paths) {
    FinishAhead();
    for (const std::string& path : paths) {
        std::string key = KeyOf(path);
        bool known = entries_.count(key) > 0;
        for (const auto& a : ahead_) known = known || a.first == key;
        if (!known) ahead_.emplace_back(std::move(key), path);
    }
    if (ahead_.empty()) return;
    aheadEntries_.assign(ahead_.size(), Entry{});
    try {
        aheadThread_ = std::thread([this] {
            for (std::size_t i = 0; i < ahead_.size(); ++i) {
                tw::UniqueHBitmap bitmap;
                aheadEntries_[i].size = LoadSkinImage(ahead_[i].second, bitmap, &aheadEntries_[i].found);
                aheadEntries_[i].bitmap = ShareBitmap(std::move(bitmap));
            }
        });
    } catch (...) {
        // No thread to spare: each picture is decoded when it is asked for.
        ahead_.clear();
        aheadEntries_.clear();
    }
}

void SkinImageCache::FinishAhead() {
    if (!aheadThread_.joinable()) return;
    aheadThread_.join();
    for (std::size_t i = 0; i < ahead_.size(); ++i) entries_.emplace(ahead_[i].first, std::move(aheadEntries_[i]));
    ahead_.clear();
    aheadEntries_.clear();
}

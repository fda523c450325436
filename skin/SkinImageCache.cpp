#include "skin/SkinImageCache.h"

#include "skin/SkinImage.h"

#include <utility>

SharedBitmap ShareBitmap(tw::UniqueHBitmap bitmap) {
    if (!bitmap) return {};
    return SharedBitmap(bitmap.release(), [](HBITMAP b) { DeleteObject(b); });
}

SharedBitmap SkinImageCache::Load(const std::string& path, SIZE* size, bool* found) {
    std::string key = path;
    CharLowerBuffA(key.data(), static_cast<DWORD>(key.size()));
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

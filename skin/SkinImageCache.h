// Skin pictures decoded once per skin build: every screen image that names the same picture
// shares one bitmap. A shared bitmap is deleted when its last holder lets go, so the cache may
// end before the elements that show its pictures, and they before it.
#pragma once

#include "platform/Handles.h"

#include <map>
#include <memory>
#include <string>
#include <type_traits>

// A bitmap several holders draw from; nobody draws into it.
using SharedBitmap = std::shared_ptr<std::remove_pointer_t<HBITMAP>>;

// Ownership of bitmap moves to the shared holders (null stays null).
SharedBitmap ShareBitmap(tw::UniqueHBitmap bitmap);

class SkinImageCache {
public:
    // The picture at path as LoadSkinImage reads it (with its placeholder when missing), decoded
    // on the first request for that path (letter case does not matter) and shared afterwards.
    SharedBitmap Load(const std::string& path, SIZE* size = nullptr, bool* found = nullptr);

    // How many different pictures were decoded.
    std::size_t Decoded() const { return entries_.size(); }

private:
    struct Entry {
        SharedBitmap bitmap;
        SIZE size{};
        bool found = false;
    };
    std::map<std::string, Entry> entries_;
};

// Skin pictures decoded once per skin build: every screen image that names the same picture
// shares one bitmap. A shared bitmap is deleted when its last holder lets go, so the cache may
// end before the elements that show its pictures, and they before it.
#pragma once

#include "platform/Handles.h"

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

// A bitmap several holders draw from; nobody draws into it.
using SharedBitmap = std::shared_ptr<std::remove_pointer_t<HBITMAP>>;

// Ownership of bitmap moves to the shared holders (null stays null).
SharedBitmap ShareBitmap(tw::UniqueHBitmap bitmap);

class SkinImageCache {
public:
    SkinImageCache() = default;
    // Waits for pictures still being decoded ahead.
    ~SkinImageCache() { FinishAhead(); }
    SkinImageCache(const SkinImageCache&) = delete;
    SkinImageCache& operator=(const SkinImageCache&) = delete;

    // The picture at path as LoadSkinImage reads it (with its placeholder when missing), decoded
    // on the first request for that path (letter case does not matter) and shared afterwards.
    SharedBitmap Load(const std::string& path, SIZE* size = nullptr, bool* found = nullptr);

    // Starts decoding these pictures on a thread of their own while the caller goes on; a Load of
    // one of them waits for that thread. Pictures already decoded or on the way are not asked for
    // again. One batch at a time: a new one first waits for the last.
    void DecodeAhead(const std::vector<std::string>& paths);

    // How many different pictures were decoded.
    std::size_t Decoded() const { return entries_.size(); }

private:
    struct Entry {
        SharedBitmap bitmap;
        SIZE size{};
        bool found = false;
    };
    // Waits for the thread decoding ahead and takes its pictures in.
    void FinishAhead();

    std::map<std::string, Entry> entries_;
    // The batch being decoded ahead, by key; its thread writes only the entries, the caller's
    // thread reads them only after joining it.
    std::vector<std::pair<std::string, std::string>> ahead_;  // key, path
    std::vector<Entry> aheadEntries_;
    std::thread aheadThread_;
};

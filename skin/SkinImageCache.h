// Skin pictures decoded once per skin build: every screen image that names the same picture
// shares one bitmap. A shared bitmap is deleted when its last holder lets go, so the cache may
// end before the elements that show its pictures, and they before it.
#pragma once

#include "platform/Handles.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

// A bitmap several holders draw from; nobody draws into it.
using SharedBitmap = std::shared_ptr<std::remove_pointer_t<HBITMAP>>;

// Ownership of bitmap moves to the shared holders (null stays null).
SharedBitmap ShareBitmap(tw::UniqueHBitmap bitmap);

class SkinImageCache {
public:
    // How many threads at most decode ahead at once.
    static constexpr std::size_t kAheadThreads = 2;

    SkinImageCache() = default;
    // Pictures nobody has taken yet are no longer decoded; the ones under way are waited for.
    ~SkinImageCache();
    SkinImageCache(const SkinImageCache&) = delete;
    SkinImageCache& operator=(const SkinImageCache&) = delete;

    // The picture at path as LoadSkinImage reads it (with its placeholder when missing), decoded
    // on the first request for that path (letter case does not matter) and shared afterwards. One
    // being decoded ahead is waited for; one still waiting its turn is decoded here and now.
    SharedBitmap Load(const std::string& path, SIZE* size = nullptr, bool* found = nullptr);

    // Queues these pictures, in this order, for threads of their own while the caller goes on.
    // Pictures already decoded or queued are not asked for again.
    void DecodeAhead(const std::vector<std::string>& paths);

    // How many different pictures were decoded.
    std::size_t Decoded() const;
    // True when every one of these pictures is decoded (so that a Load will not wait).
    bool AllDecoded(const std::vector<std::string>& paths) const;

private:
    enum class State { Queued, Decoding, Ready };
    struct Entry {
        std::string path;
        State state = State::Queued;
        SharedBitmap bitmap;
        SIZE size{};
        bool found = false;
    };
    static void Decode(Entry& entry);
    void DecodeQueued();
    // The next queued entry, taken for decoding; null when none is left. Under lock_.
    Entry* TakeQueued();

    mutable std::mutex lock_;
    std::condition_variable ready_;
    // Map nodes stay where they are, so the queue and the threads may point into it.
    std::map<std::string, Entry> entries_;
    std::vector<Entry*> queue_;
    std::size_t next_ = 0;  // queue_'s first entry not taken yet
    std::size_t running_ = 0;  // threads decoding ahead
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

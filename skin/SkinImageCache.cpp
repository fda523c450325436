#include "skin/SkinImageCache.h"

#include "skin/SkinImage.h"

#include <objbase.h>

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

SkinImageCache::~SkinImageCache() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
    }
    for (std::thread& t : threads_) t.join();
}

// Outside the lock: only the thread that took the entry writes it until it is ready.
void SkinImageCache::Decode(Entry& entry) {
    entry.size = LoadSharedSkinImage(entry.path, entry.bitmap, &entry.found);
}

SharedBitmap SkinImageCache::Load(const std::string& path, SIZE* size, bool* found) {
    std::unique_lock<std::mutex> guard(lock_);
    auto added = entries_.try_emplace(KeyOf(path));
    Entry& entry = added.first->second;
    if (added.second) entry.path = path;
    if (entry.state == State::Queued) {
        entry.state = State::Decoding;
        guard.unlock();
        Decode(entry);
        guard.lock();
        entry.state = State::Ready;
        ready_.notify_all();
    }
    ready_.wait(guard, [&] { return entry.state == State::Ready; });
    if (size) *size = entry.size;
    if (found) *found = entry.found;
    return entry.bitmap;
}

SkinImageCache::Entry* SkinImageCache::TakeQueued() {
    while (!closing_ && next_ < queue_.size()) {
        Entry* entry = queue_[next_++];
        if (entry->state != State::Queued) continue;  // asked for meanwhile
        entry->state = State::Decoding;
        return entry;
    }
    return nullptr;
}

void SkinImageCache::DecodeQueued() {
    // The decoders are COM objects: this thread joins once for all its pictures.
    const HRESULT joined = CoInitialize(nullptr);
    std::unique_lock<std::mutex> guard(lock_);
    while (Entry* entry = TakeQueued()) {
        guard.unlock();
        Decode(*entry);
        guard.lock();
        entry->state = State::Ready;
        ready_.notify_all();
    }
    --running_;
    guard.unlock();
    if (SUCCEEDED(joined)) CoUninitialize();
}

void SkinImageCache::DecodeAhead(const std::vector<std::string>& paths) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const std::string& path : paths) {
        auto added = entries_.try_emplace(KeyOf(path));
        if (!added.second) continue;
        added.first->second.path = path;
        queue_.push_back(&added.first->second);
    }
    while (running_ < kAheadThreads && running_ < queue_.size() - next_) {
        try {
            threads_.emplace_back([this] { DecodeQueued(); });
        } catch (...) {
            break;  // no thread to spare: what is left is decoded when it is asked for
        }
        ++running_;
    }
}

std::size_t SkinImageCache::Decoded() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::size_t count = 0;
    for (const auto& e : entries_)
        if (e.second.state == State::Ready) ++count;
    return count;
}

bool SkinImageCache::AllDecoded(const std::vector<std::string>& paths) const {
    std::lock_guard<std::mutex> guard(lock_);
    for (const std::string& path : paths) {
        auto at = entries_.find(KeyOf(path));
        if (at == entries_.end() || at->second.state != State::Ready) return false;
    }
    return true;
}

// The heart of BitmapToRegion without Windows: horizontal runs of the pixels that do not match a
// key colour, one image row at a time. Pixels are 32-bit, bytes 0, 1, 2 = blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>

// A pixel is transparent when each of its bytes 0, 1 and 2 lies within [low, high].
struct KeyRange {
    std::uint8_t low[3];
    std::uint8_t high[3];
};

// Bytes 0, 1 and 2 of the key and the tolerance; the tolerance only reaches upward from the key
// (high = key + tolerance, at most 255).
inline KeyRange MakeKeyRange(std::uint32_t key, std::uint32_t tolerance) {
    KeyRange r{};
    for (int i = 0; i < 3; ++i) {
        unsigned k = (key >> (8 * i)) & 0xFF;
        unsigned t = (tolerance >> (8 * i)) & 0xFF;
        r.low[i] = static_cast<std::uint8_t>(k);
        r.high[i] = static_cast<std::uint8_t>(k + t > 255 ? 255 : k + t);
    }
    return r;
}

inline bool IsKeyPixel(const std::uint8_t* p, const KeyRange& r) {
    return p[0] >= r.low[0] && p[0] <= r.high[0] && p[1] >= r.low[1] && p[1] <= r.high[1] && p[2] >= r.low[2] &&
           p[2] <= r.high[2];
}

// Calls run(x0, y, x1) for every run [x0, x1) of non-key pixels of row y, rows from the top.
// topRow points at the image's top row; rowStep is the byte distance to the next row down
// (negative for a bottom-up DIB).
template <typename RunSink>
void ForEachOpaqueRun(const std::uint8_t* topRow, std::ptrdiff_t rowStep, int width, int height,
                      const KeyRange& key, RunSink&& run) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = topRow + rowStep * y;
        for (int x = 0; x < width; ++x) {
            int x0 = x;
            while (x < width && !IsKeyPixel(row + 4 * x, key)) ++x;
            if (x > x0) run(x0, y, x);
        }
    }
}

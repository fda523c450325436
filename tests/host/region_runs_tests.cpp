// Run building of the window-shape region on small synthetic 32-bit masks.
#include "doctest.h"

#include "skin/RegionRuns.h"

#include <vector>

namespace {

struct Run {
    int x0, y, x1;
    bool operator==(const Run& o) const { return x0 == o.x0 && y == o.y && x1 == o.x1; }
};

// A top-down 32-bit image, every pixel set to one colour (0x00RRGGBB).
struct Image {
    int width, height;
    std::vector<std::uint8_t> bytes;
    Image(int w, int h, std::uint32_t colour) : width(w), height(h), bytes(static_cast<std::size_t>(w * h * 4)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, colour);
    }
    void Set(int x, int y, std::uint32_t colour) {
        std::uint8_t* p = &bytes[static_cast<std::size_t>((y * width + x) * 4)];
        p[0] = colour & 0xFF;
        p[1] = (colour >> 8) & 0xFF;
        p[2] = (colour >> 16) & 0xFF;
        p[3] = 0;
    }
    std::vector<Run> Runs(std::uint32_t key = 0xFFFFFF, std::uint32_t tolerance = 0x101010) const {
        std::vector<Run> runs;
        ForEachOpaqueRun(bytes.data(), width * 4, width, height, MakeKeyRange(key, tolerance),
                         [&](int x0, int y, int x1) { runs.push_back({x0, y, x1}); });
        return runs;
    }
};

const std::uint32_t kWhite = 0xFFFFFF;
const std::uint32_t kBlack = 0x000000;

}  // namespace

TEST_CASE("an all-white mask has no runs; a mask without white has one full run per row") {
    CHECK(Image(7, 5, kWhite).Runs().empty());
    std::vector<Run> runs = Image(7, 3, kBlack).Runs();
    CHECK(runs == std::vector<Run>{{0, 0, 7}, {0, 1, 7}, {0, 2, 7}});
}

TEST_CASE("only exact white is cut away: the tolerance reaches upward from the key") {
    Image im(6, 1, kWhite);
    im.Set(1, 0, 0xFFFFFE);  // (255, 255, 254): part of the window
    im.Set(2, 0, 0xFEFFFF);
    im.Set(4, 0, 0xEFEFEF);
    CHECK(im.Runs() == std::vector<Run>{{1, 0, 3}, {4, 0, 5}});

    // With a grey key, everything from the key up to key + tolerance in each byte is transparent.
    Image grey(4, 1, 0x808080);
    grey.Set(1, 0, 0x8F8F8F);
    grey.Set(2, 0, 0x909090);
    grey.Set(3, 0, 0x7F8080);
    CHECK(grey.Runs(0x808080, 0x0F0F0F) == std::vector<Run>{{2, 0, 4}});
}

TEST_CASE("runs split at transparent pixels and rows are read top to bottom") {
    Image im(5, 2, kBlack);
    im.Set(0, 0, kWhite);
    im.Set(2, 0, kWhite);
    im.Set(4, 1, kWhite);
    CHECK(im.Runs() == std::vector<Run>{{1, 0, 2}, {3, 0, 5}, {0, 1, 4}});

    // A bottom-up buffer read with a negative step gives the same runs.
    Image flipped(5, 2, kBlack);
    flipped.Set(0, 1, kWhite);
    flipped.Set(2, 1, kWhite);
    flipped.Set(4, 0, kWhite);
    std::vector<Run> runs;
    ForEachOpaqueRun(flipped.bytes.data() + 5 * 4, -5 * 4, 5, 2, MakeKeyRange(kWhite, 0x101010),
                     [&](int x0, int y, int x1) { runs.push_back({x0, y, x1}); });
    CHECK(runs == im.Runs());
}

TEST_CASE("the key range saturates at 255 and ignores byte 3") {
    KeyRange r = MakeKeyRange(0xFFF0F0, 0x202020);
    CHECK(r.low[0] == 0xF0);
    CHECK(r.high[0] == 0xFF);
    CHECK(r.low[2] == 0xFF);
    CHECK(r.high[2] == 0xFF);
    std::uint8_t pixel[4] = {0xF5, 0xFF, 0xFF, 0x77};
    CHECK(IsKeyPixel(pixel, r));
}

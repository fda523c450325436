// Skin pictures and window shape, each against a baseline measured in the same run:
//   - BitmapToRegion of the shipped 506 x 506 mask against a plain BitBlt of the same pixels into a
//     32-bit DIB (the copy the region builder starts with);
//   - loading every picture the shipped description names against decoding one of them;
//   - the whole main screen (its pictures, every page's pictures and the region) against the
//     target of one second.
//
//   skin_bench [rounds]      (default 7)
#include "bench/BenchSupport.h"
#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinLine.h"
#include "skin/SkinRegion.h"
#include "skin/SkinSource.h"

#include <cstdlib>
#include <set>

namespace {

// Every picture of the main screen and its pages, as the description names them.
std::vector<std::string> MainScreenPictures(const IniFile& ini) {
    std::set<std::string> names;
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    for (const std::string* n : {&keys.main, &keys.mask, &keys.over, &keys.down, &keys.disabled, &keys.stopScanOver})
        names.insert(*n);
    for (const std::string& line : ReadNumberedLines(ini, "SUBMAINSCREENINFO")) {
        ScreenLine s = ParseScreenLine(line);
        for (const std::string& image : s.images) names.insert(image);
    }
    return std::vector<std::string>(names.begin(), names.end());
}

// What a window and its pages hold: one bitmap per picture name a screen line or key uses.
std::vector<std::string> PicturesLoadedByScreens(const IniFile& ini) {
    std::vector<std::string> all;
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    for (const std::string* n : {&keys.main, &keys.mask, &keys.over, &keys.down, &keys.disabled, &keys.stopScanOver})
        all.push_back(*n);
    for (const std::string& line : ReadNumberedLines(ini, "SUBMAINSCREENINFO")) {
        ScreenLine s = ParseScreenLine(line);
        for (const std::string& image : s.images) all.push_back(image);
    }
    return all;
}

void CopyToDib(HBITMAP source, SIZE size) {
    tw::UniqueHDC to = tw::CreateMemoryDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    tw::UniqueHBitmap dib(CreateDIBSection(to.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    tw::SelectScope keepTo(to.get(), dib.get());
    tw::UniqueHDC from = tw::CreateMemoryDC(to.get());
    tw::SelectScope keepFrom(from.get(), source);
    BitBlt(to.get(), 0, 0, size.cx, size.cy, from.get(), 0, 0, SRCCOPY);
    GdiFlush();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    if (rounds < 1) rounds = 1;
    SkinDescription skin(ResolveSkinFilePath());
    if (!skin.Ready()) {
        std::printf("skin_bench: the skin description could not be had\n");
        return 1;
    }
    IniFile ini(skin.Path(), skin.Text());
    auto path = [&](const std::string& name) { return SkinImagePath(skin.Path(), name); };

    tw::UniqueHBitmap mask;
    SIZE maskSize = LoadSkinImage(path(ReadImageKeys(ini, "MAINSCREENINFO").mask), mask);
    DWORD rects = 0;
    auto [region, blit] = bench::Alternate(
        rounds,
        [&] {
            tw::UniqueHRgn r = BitmapToRegion(mask.get(), RGB(255, 255, 255), 0x101010);
            rects = (GetRegionData(r.get(), 0, nullptr) - sizeof(RGNDATAHEADER)) / sizeof(RECT);
        },
        [&] { CopyToDib(mask.get(), maskSize); });

    std::vector<std::string> pictures = MainScreenPictures(ini);
    int missing = 0;
    auto [loadAll, loadOne] = bench::Alternate(
        rounds,
        [&] {
            missing = 0;
            for (const std::string& name : pictures) {
                tw::UniqueHBitmap b;
                bool found = false;
                LoadSkinImage(path(name), b, &found);
                if (!found) ++missing;
            }
        },
        [&] {
            tw::UniqueHBitmap b;
            LoadSkinImage(path("main_normal.jpg"), b);
        });

    std::vector<std::string> perScreen = PicturesLoadedByScreens(ini);
    std::vector<double> whole;
    for (int i = 0; i < rounds; ++i) {
        double t0 = bench::Now();
        std::vector<tw::UniqueHBitmap> held(perScreen.size());
        for (std::size_t k = 0; k < perScreen.size(); ++k) LoadSkinImage(path(perScreen[k]), held[k]);
        tw::UniqueHRgn r = BitmapToRegion(held[1].get(), RGB(255, 255, 255), 0x101010);
        whole.push_back(bench::Now() - t0);
    }
    double build = bench::Median(whole);

    std::printf("%-44s %10s %12s %8s\n", "measure", "ms", "baseline ms", "ratio");
    std::printf("%-44s %10.2f %12.2f %8.2f   (%ld x %ld mask, %lu rectangles after merging; baseline: BitBlt into a 32-bit DIB)\n",
                "BitmapToRegion of the shipped mask", region * 1000, blit * 1000, region / blit, maskSize.cx,
                maskSize.cy, static_cast<unsigned long>(rects));
    std::printf("%-44s %10.2f %12.2f %8.2f   (%u pictures, %d missing; baseline: decoding main_normal.jpg)\n",
                "loading every picture of the description", loadAll * 1000, loadOne * 1000, loadAll / loadOne,
                static_cast<unsigned>(pictures.size()), missing);
    std::printf("%-44s %10.2f %12.2f %8.2f   (%u bitmaps as the screens hold them, and the region; "
                "target: under 1000 ms)\n",
                "main screen and pages: pictures and region", build * 1000, 1000.0, build, static_cast<unsigned>(perScreen.size()));
    std::printf("target %s\n", build < 1.0 ? "met" : "MISSED");
    return build < 1.0 && missing == 0 ? 0 : 1;
}

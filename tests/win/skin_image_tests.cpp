// Skin pictures and the window shape: loading from resources and files, cutting, drawing, regions.
#include "doctest.h"

#include "platform/Gdi.h"
#include "skin/SkinImage.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinRegion.h"
#include "skin/SkinSource.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {

std::string Beside(const std::string& name) { return CurrentFolder() + "\\" + name; }

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    tw::SelectScope keep(dc.get(), bitmap);
    return GetPixel(dc.get(), x, y);
}

// A black bitmap with white pixels where white(x, y) says so.
template <typename F>
tw::UniqueHBitmap MaskOf(int width, int height, F white) {
    tw::UniqueHBitmap bitmap = SolidBitmap(width, height, RGB(0, 0, 0));
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    tw::SelectScope keep(dc.get(), bitmap.get());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (white(x, y)) SetPixel(dc.get(), x, y, RGB(255, 255, 255));
    return bitmap;
}

}  // namespace

TEST_CASE("every shipped picture loads from the resources at its size") {
    struct Picture {
        const char* file;
        int w, h;
    };
    const Picture pictures[] = {
        {"Mask.bmp", 506, 506}, {"main_normal.jpg", 500, 500}, {"main_over.jpg", 500, 500},
        {"main_down.jpg", 500, 500}, {"main_stopscan_over.jpg", 500, 500}, {"Home_chk.jpg", 380, 189},
        {"Autoscan_unchk.jpg", 349, 189}, {"Autoscan_chk.jpg", 349, 189}, {"Autoscan_disabled.jpg ", 349, 189},
        {"IGNORRED-ERRORS_unchk.jpg", 383, 189}, {"IGNORRED-ERRORS_chkOver.jpg", 383, 189},
        {"Advanced-Settings_unchk.jpg", 349, 189}, {"Advanced-Settings_chk.jpg", 349, 189},
        {"Scan_Result.jpg", 390, 205}, {"Scan_Summary.jpg", 390, 205}, {"Scan_unchk.bmp", 405, 208},
        {"Scan_chk.bmp", 405, 208}, {"RemovedError01.bmp", 407, 28}, {"RemovedError02.bmp", 407, 28},
        {"RemovedError03.bmp", 407, 28}, {"RemovedError04.bmp", 407, 28}, {"Scan_Status_Red.bmp", 168, 208},
        {"Scan_Status_Yellow.bmp", 168, 208}, {"Scan_Status_Green.bmp", 168, 208},
        {"ScreenErrorScan.jpg", 350, 260}, {"ScreenScanComplete.jpg", 350, 260}, {"ScreenErrorFixing.jpg", 350, 260},
        {"ScreenFixComplete.jpg", 350, 260}};
    for (const Picture& p : pictures) {
        CAPTURE(p.file);
        tw::UniqueHBitmap bitmap;
        bool found = false;
        SIZE size = LoadSkinImage(Beside(p.file), bitmap, &found);
        CHECK(found);
        CHECK(size.cx == p.w);
        CHECK(size.cy == p.h);
    }
    // The mask cuts pure white away and keeps the body black.
    tw::UniqueHBitmap mask;
    LoadSkinImage(Beside("Mask.bmp"), mask);
    CHECK(PixelOf(mask.get(), 0, 0) == RGB(255, 255, 255));
    CHECK(PixelOf(mask.get(), 250, 250) == RGB(0, 0, 0));
}

TEST_CASE("a file beside the skin file wins over the resource") {
    WriteFile("main_normal.jpg", BmpBytes(7, 5, RGB(200, 30, 40)));  // the loader goes by content
    tw::UniqueHBitmap bitmap;
    bool found = false;
    SIZE size = LoadSkinImage(Beside("main_normal.jpg"), bitmap, &found);
    CHECK(found);
    CHECK(size.cx == 7);
    CHECK(size.cy == 5);
    CHECK(PixelOf(bitmap.get(), 3, 2) == RGB(200, 30, 40));
    DeleteFileA("main_normal.jpg");
    size = LoadSkinImage(Beside("main_normal.jpg"), bitmap, &found);
    CHECK(size.cx == 500);
}

TEST_CASE("a missing or unreadable picture gives a visible placeholder") {
    tw::UniqueHBitmap bitmap = SolidBitmap(3, 3, RGB(1, 2, 3));
    bool found = true;
    SIZE size = LoadSkinImage(Beside("no_such_picture.jpg"), bitmap, &found);
    CHECK_FALSE(found);
    CHECK(size.cx == kMissingImageSize);
    CHECK(size.cy == kMissingImageSize);
    REQUIRE(bitmap);
    CHECK(PixelOf(bitmap.get(), 250, 250) != RGB(255, 255, 255));  // never cut out of a shaped window

    WriteFile("broken.jpg", "\xFF\xD8\xFF\xE0 this is not a picture");
    found = true;
    size = LoadSkinImage(Beside("broken.jpg"), bitmap, &found);
    CHECK_FALSE(found);
    CHECK(size.cx == kMissingImageSize);
    WriteFile("empty.bmp", "");
    CHECK(LoadSkinImage(Beside("empty.bmp"), bitmap, &found).cx == kMissingImageSize);
    CHECK_FALSE(found);
}

TEST_CASE("a skin's picture name that leaves the skin's folder loads nothing from there") {
    CreateDirectoryA("custom", nullptr);
    const std::string skin = Beside("custom\\skin.ini");
    WriteFile("secret.jpg", BmpBytes(7, 5, RGB(200, 30, 40)));
    SkinImageCache cache;
    for (const std::string& name : {std::string("..\\secret.jpg"), std::string("../secret.jpg"), Beside("secret.jpg"),
                                    std::string("..\\main_normal.jpg")}) {  // nor the built-in picture
        CAPTURE(name);
        tw::UniqueHBitmap bitmap;
        bool found = true;
        CHECK(LoadSkinImage(SkinImagePath(skin, name), bitmap, &found).cx == kMissingImageSize);
        CHECK_FALSE(found);
        SIZE size{};
        found = true;
        CHECK(static_cast<bool>(cache.Load(SkinImagePath(skin, name), &size, &found)));
        CHECK(size.cx == kMissingImageSize);
        CHECK_FALSE(found);
    }
    DeleteFileA("secret.jpg");
    RemoveDirectoryA("custom");
}

TEST_CASE("a picture cache decodes each file once and its bitmaps outlive it, until their last holder goes") {
    SharedBitmap kept;
    {
        SkinImageCache images;
        SIZE size{};
        bool found = false;
        kept = images.Load(Beside("main_normal.jpg"));
        CHECK(images.Load(Beside("MAIN_NORMAL.JPG"), &size, &found).get() == kept.get());
        CHECK((found && size.cx == 500));
        CHECK(images.Load(Beside("no_such_picture.jpg"), &size, &found).get() != kept.get());
        CHECK((!found && size.cx == kMissingImageSize));
        CHECK(images.Decoded() == 2);
    }
    HBITMAP raw = kept.get();
    CHECK(GetObjectType(raw) == OBJ_BITMAP);
    kept.reset();
    CHECK(GetObjectType(raw) == 0);
}

TEST_CASE("pictures decoded ahead on another thread: the same answers, each once, none lost with the cache") {
    SkinImageCache plain;
    SIZE plainSize{};
    HBITMAP plainBitmap = plain.Load(Beside("main_over.jpg"), &plainSize).get();
    {
        SkinImageCache images;
        SharedBitmap normal = images.Load(Beside("main_normal.jpg"));
        images.DecodeAhead({Beside("main_over.jpg"), Beside("MAIN_OVER.JPG"), Beside("main_normal.jpg"),
                            Beside("no_such_picture.jpg")});
        SIZE size{};
        bool found = false;
        SharedBitmap over = images.Load(Beside("Main_Over.jpg"), &size, &found);
        CHECK((found && size.cx == plainSize.cx && size.cy == plainSize.cy));
        REQUIRE((over && over.get() != plainBitmap));
        tw::UniqueHDC a = tw::CreateMemoryDC(nullptr), b = tw::CreateMemoryDC(nullptr);
        tw::SelectScope keepA(a.get(), over.get()), keepB(b.get(), plainBitmap);
        for (int xy : {0, 77, 250, 499}) CHECK(GetPixel(a.get(), xy, xy) == GetPixel(b.get(), xy, xy));
        CHECK(images.Load(Beside("main_normal.jpg")).get() == normal.get());  // not decoded again
        CHECK(static_cast<bool>(images.Load(Beside("no_such_picture.jpg"), &size, &found)));
        CHECK((!found && size.cx == kMissingImageSize));
        CHECK(images.Decoded() == 3);
        CHECK(images.AllDecoded({Beside("MAIN_NORMAL.jpg"), Beside("main_over.jpg")}));
        CHECK_FALSE(images.AllDecoded({Beside("main_over.jpg"), Beside("main_down.jpg")}));  // never asked for
        // One asked for while it may still wait its turn behind others: it comes, decoded once.
        images.DecodeAhead({Beside("main_down.jpg"), Beside("main_stopscan_over.jpg"), Beside("Scan_chk.bmp"),
                            Beside("Scan_unchk.bmp")});
        CHECK(images.Load(Beside("Scan_unchk.bmp"), &size, &found).get() == images.Load(Beside("scan_unchk.bmp")).get());
        CHECK((found && size.cx == 405 && size.cy == 208));
        // Pictures nobody asks for are dropped or waited for when the cache goes.
        images.DecodeAhead({Beside("Home_chk.jpg")});
    }
}

TEST_CASE("cutting and drawing pictures") {
    tw::UniqueHBitmap source = SolidBitmap(40, 20, RGB(0, 0, 255));
    {
        tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
        tw::SelectScope keep(dc.get(), source.get());
        RECT right{20, 0, 40, 20};
        tw::UniqueHBrush red(CreateSolidBrush(RGB(255, 0, 0)));
        FillRect(dc.get(), &right, red.get());
    }
    tw::WindowDC screen(nullptr);
    tw::UniqueHBitmap piece;
    CropBitmap(screen.get(), piece, source.get(), 15, 5, 25, 15);
    REQUIRE(piece);
    SIZE size = tw::BitmapSize(piece.get());
    CHECK(size.cx == 10);
    CHECK(size.cy == 10);
    CHECK(PixelOf(piece.get(), 2, 2) == RGB(0, 0, 255));
    CHECK(PixelOf(piece.get(), 7, 2) == RGB(255, 0, 0));

    HBITMAP before = piece.get();
    CropBitmap(screen.get(), piece, nullptr, 0, 0, 5, 5);
    CHECK(piece.get() == before);

    tw::UniqueHBitmap edge;
    CropBitmap(screen.get(), edge, source.get(), 30, 10, 50, 30);  // reaching past the right and bottom edges
    size = tw::BitmapSize(edge.get());
    CHECK((size.cx == 20 && size.cy == 20));
    CHECK(PixelOf(edge.get(), 9, 9) == RGB(255, 0, 0));
    CHECK(PixelOf(edge.get(), 10, 3) == RGB(0, 0, 0));  // beyond the picture: left black
    CHECK(PixelOf(edge.get(), 5, 15) == RGB(0, 0, 0));
    CropBitmap(screen.get(), edge, source.get(), 5, 5, 5, 15);  // no width: no picture
    CHECK_FALSE(edge);

    tw::UniqueHBitmap canvas = SolidBitmap(30, 30, RGB(0, 255, 0));
    tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
    {
        tw::SelectScope keep(dc.get(), canvas.get());
        DrawBitmap(dc.get(), piece.get(), 10, 10, 20, 20, false);
        DrawBitmap(dc.get(), nullptr, 0, 0, 30, 30, true);
        DrawBitmap(dc.get(), piece.get(), 0, 0, 4, 4, true);  // same size: a plain copy of the corner
    }
    CHECK(PixelOf(canvas.get(), 5, 25) == RGB(0, 255, 0));
    CHECK(PixelOf(canvas.get(), 12, 12) == RGB(0, 0, 255));
    CHECK(PixelOf(canvas.get(), 17, 12) == RGB(255, 0, 0));
    CHECK(PixelOf(canvas.get(), 2, 2) == RGB(0, 0, 255));
    CHECK(PixelOf(canvas.get(), 6, 6) == RGB(0, 255, 0));
    {  // a picture another DC holds draws nothing, not the empty memory DC's pixel
        tw::UniqueHDC holder = tw::CreateMemoryDC(nullptr);
        tw::SelectScope held(holder.get(), piece.get());
        tw::SelectScope keep(dc.get(), canvas.get());
        DrawBitmap(dc.get(), piece.get(), 25, 25, 30, 30, false);
    }
    CHECK(PixelOf(canvas.get(), 25, 25) == RGB(0, 255, 0));

    // A part starting left of and above its picture is black there, as a cut copy is.
    tw::UniqueHBitmap part = SolidBitmap(10, 10, RGB(0, 255, 0));
    {
        tw::SelectScope keep(dc.get(), part.get());
        CHECK(DrawPicturePart(dc.get(), {ShareBitmap(SolidBitmap(40, 20, RGB(0, 0, 255))), POINT{-4, -6}}, 10, 10));
    }
    CHECK(PixelOf(part.get(), 3, 8) == RGB(0, 0, 0));
    CHECK(PixelOf(part.get(), 5, 5) == RGB(0, 0, 0));
    CHECK(PixelOf(part.get(), 4, 6) == RGB(0, 0, 255));
}

TEST_CASE("the shipped mask gives the window's outline") {
    tw::UniqueHBitmap mask;
    LoadSkinImage(Beside("Mask.bmp"), mask);
    tw::UniqueHRgn region = BitmapToRegion(mask.get(), RGB(255, 255, 255), 0x101010);
    REQUIRE(region);
    RECT box{};
    CHECK(GetRgnBox(region.get(), &box) == COMPLEXREGION);
    // The body sits inside the dialog frame: window pixels 3 to 501 across, 3 to 500 down.
    CHECK(box.left == 3);
    CHECK(box.top == 3);
    CHECK(box.right == 502);
    CHECK(box.bottom == 501);
    CHECK(PtInRegion(region.get(), 250, 250));
    CHECK(PtInRegion(region.get(), 3, 250));
    CHECK(PtInRegion(region.get(), 501, 250));
    CHECK(PtInRegion(region.get(), 250, 500));
    CHECK_FALSE(PtInRegion(region.get(), 2, 250));
    CHECK_FALSE(PtInRegion(region.get(), 502, 250));
    CHECK_FALSE(PtInRegion(region.get(), 250, 501));
    CHECK_FALSE(PtInRegion(region.get(), 4, 4));  // rounded corner
    CHECK_FALSE(PtInRegion(region.get(), 500, 499));
}

TEST_CASE("regions from synthetic masks, across many batches of rectangles") {
    tw::UniqueHBitmap white = SolidBitmap(20, 10, RGB(255, 255, 255));
    tw::UniqueHRgn empty = BitmapToRegion(white.get(), RGB(255, 255, 255), 0x101010);
    REQUIRE(empty);
    RECT box{};
    CHECK(GetRgnBox(empty.get(), &box) == NULLREGION);

    tw::UniqueHBitmap black = SolidBitmap(20, 10, RGB(0, 0, 0));
    tw::UniqueHRgn full = BitmapToRegion(black.get(), RGB(255, 255, 255), 0x101010);
    CHECK(GetRgnBox(full.get(), &box) == SIMPLEREGION);
    CHECK(box.right == 20);
    CHECK(box.bottom == 10);

    tw::UniqueHBitmap nearly = SolidBitmap(4, 1, RGB(255, 255, 255));
    {
        tw::UniqueHDC dc = tw::CreateMemoryDC(nullptr);
        tw::SelectScope keep(dc.get(), nearly.get());
        SetPixel(dc.get(), 2, 0, RGB(254, 255, 255));
    }
    tw::UniqueHRgn one = BitmapToRegion(nearly.get(), RGB(255, 255, 255), 0x101010);
    CHECK(GetRgnBox(one.get(), &box) == SIMPLEREGION);
    CHECK(box.left == 2);
    CHECK(box.right == 3);

    // Every third pixel white: 100 rows of 40 runs, 4000 rectangles in two full batches.
    auto isWhite = [](int x, int y) { return (x + y) % 3 == 0; };
    tw::UniqueHBitmap stripes = MaskOf(120, 100, isWhite);
    tw::UniqueHRgn region = BitmapToRegion(stripes.get(), RGB(255, 255, 255), 0x101010);
    REQUIRE(region);
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            if ((PtInRegion(region.get(), x, y) != FALSE) == isWhite(x, y)) ++wrong;
    CHECK(wrong == 0);
    CHECK_FALSE(BitmapToRegion(nullptr, 0, 0));
}

TEST_CASE("SetRegionFromMask shapes the window or says why it cannot") {
    OwnerWindow window;
    REQUIRE(window.Open(30, 30, 120, 80));
    RecordingNotifier notifier;

    tw::UniqueHBitmap mask = MaskOf(126, 86, [](int x, int y) { return x < 20 || y < 10; });
    CHECK(SetRegionFromMask(window.Handle(), mask.get(), notifier));
    CHECK(notifier.notices.empty());
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    CHECK(GetWindowRgn(window.Handle(), current) != ERROR);
    RECT box{};
    GetRgnBox(current, &box);
    CHECK(box.left == 20);
    CHECK(box.top == 10);
    DeleteObject(current);

    // A mask that is white all over would make the window vanish: it stays as it was.
    SetWindowRgn(window.Handle(), nullptr, FALSE);
    tw::UniqueHBitmap white = SolidBitmap(126, 86, RGB(255, 255, 255));
    CHECK_FALSE(SetRegionFromMask(window.Handle(), white.get(), notifier));
    REQUIRE(notifier.notices.size() == 1);
    CHECK(notifier.notices[0].text == kNoRegionText);
    CHECK(notifier.notices[0].caption == tw::NoticeCaption::Program);
    current = CreateRectRgn(0, 0, 0, 0);
    CHECK(GetWindowRgn(window.Handle(), current) == ERROR);
    DeleteObject(current);

    CHECK_FALSE(SetRegionFromMask(nullptr, mask.get(), notifier));
    CHECK(notifier.notices.size() == 1);
}

TEST_CASE("a cutter serves many cuts from alternating pictures and holds none of them afterwards") {
    tw::UniqueHBitmap blue = SolidBitmap(40, 20, RGB(0, 0, 255));
    tw::UniqueHBitmap red = SolidBitmap(40, 20, RGB(255, 0, 0));
    tw::WindowDC screen(nullptr);
    tw::UniqueHBitmap first, second, third;
    BitmapCutter cutter(screen.get());
    cutter.Cut(first, blue.get(), 0, 0, 10, 10);
    cutter.Cut(second, red.get(), 5, 5, 15, 15);
    cutter.Cut(third, blue.get(), 30, 0, 40, 10);
    // Each cut is free to be drawn while the cutter lives.
    CHECK(PixelOf(first.get(), 9, 9) == RGB(0, 0, 255));
    CHECK(PixelOf(second.get(), 0, 0) == RGB(255, 0, 0));
    CHECK(PixelOf(third.get(), 5, 5) == RGB(0, 0, 255));
    cutter.Release();  // the last source is free again
    CHECK(PixelOf(blue.get(), 0, 0) == RGB(0, 0, 255));
}

// Files the skin takes from a folder a user may write: a link, or a second name of a file
// elsewhere, planted under a name the skin uses is neither read, shown, written nor deleted.
#include "doctest.h"

#include "platform/Files.h"
#include "skin/IniFile.h"
#include "skin/PlainFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinSource.h"
#include "skin_test_support.h"
#include "test_links.h"

#include <functional>

using namespace skintest;

namespace {

// A folder the skin reads from, and a file elsewhere that must stay as it is.
struct Planted {
    std::string folder = CurrentFolder() + "\\planted";
    std::string elsewhere = CurrentFolder() + "\\elsewhere";
    // A picture that is a skin description too (the picture's reader stops at its end).
    std::string sentinelBytes = BmpBytes(7, 5, RGB(200, 30, 40)) + "\r\n[MAINSCREENINFO]\r\nMain=x.jpg\r\n";
    Planted() {
        Clean();
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA(elsewhere.c_str(), nullptr);
    }
    ~Planted() { Clean(); }
    void Clean() {
        // Links go first: removing the folder would reach through them.
        if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
            testunix::RemoveLink(folder + "\\via");
            testunix::RemoveLink(folder + "\\main_normal.jpg");
        }
        testlink::RemoveTree(folder);
        testlink::RemoveTree(elsewhere);
    }
    // The file elsewhere, under the name the skin looks for.
    std::string Sentinel(const std::string& name) const {
        const std::string path = elsewhere + "\\" + name;
        REQUIRE(tw::ReplaceFileContents(path, sentinelBytes) == 0);
        return path;
    }
    // Read by name, as the test's own file: the program's readers refuse a file with a second name.
    bool SentinelKept(const std::string& path) const {
        tw::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        std::string bytes(sentinelBytes.size() + 1, '\0');
        DWORD got = 0;
        if (!file || !::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) return false;
        bytes.resize(got);
        return bytes == sentinelBytes;
    }
};

}  // namespace

TEST_CASE("a file planted as a link or a second name is not the skin's") {
    Planted p;
    struct Way {
        const char* what;
        // Plants name in the skin's folder so that it leads to the sentinel; returns the path to ask for.
        std::function<std::string(const Planted&, const std::string& sentinel)> plant;
    };
    const Way ways[] = {
        {"a hard link",
         [](const Planted& p, const std::string& sentinel) {
             const std::string link = p.folder + "\\main_normal.jpg";
             REQUIRE(CreateHardLinkA(link.c_str(), sentinel.c_str(), nullptr));
             return link;
         }},
        {"a symbolic link",
         [](const Planted& p, const std::string& sentinel) {
             const std::string link = p.folder + "\\main_normal.jpg";
             testunix::MakeFolderLink(link, sentinel);
             return link;
         }},
        {"a folder on the way that is a link",
         [](const Planted& p, const std::string&) {
             testunix::MakeFolderLink(p.folder + "\\via", p.elsewhere);
             return p.folder + "\\via\\main_normal.jpg";
         }},
    };
    for (const Way& way : ways) {
        SUBCASE(way.what) {
            const std::string sentinel = p.Sentinel("main_normal.jpg");
            const std::string path = way.plant(p, sentinel);
            std::string bytes;
            CHECK_FALSE(skinfile::ReadPlain(path, bytes, 1 << 20));
            CHECK(bytes.empty());
            CHECK_FALSE(IniFile(path).Loaded());
            // The picture of that name comes from the resources instead.
            tw::UniqueHBitmap bitmap;
            CHECK(LoadSkinImage(path, bitmap).cx == 500);
            CHECK(UseCustomSkin(path) == CustomSkin::Unusable);
            UseCustomSkin(p.folder + "\\no such skin.ini");
            CHECK_FALSE(skinfile::DeletePlain(path));
            CHECK(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);
            CHECK(p.SentinelKept(sentinel));
        }
    }
    SUBCASE("a plain file is read, shown and deleted") {
        const std::string path = p.folder + "\\main_normal.jpg";
        WriteFile("planted\\main_normal.jpg", p.sentinelBytes);
        std::string bytes;
        CHECK(skinfile::ReadPlain(path, bytes, 1 << 20));
        CHECK(bytes == p.sentinelBytes);
        CHECK_FALSE(skinfile::ReadPlain(path, bytes, static_cast<DWORD>(p.sentinelBytes.size() - 1)));
        tw::UniqueHBitmap bitmap;
        CHECK(LoadSkinImage(path, bitmap).cx == 7);
        CHECK(skinfile::DeletePlain(path));
        CHECK(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);
        CHECK_FALSE(skinfile::DeletePlain(path));
    }
}

TEST_CASE("the skin description is never written to the skin file") {
    Planted p;
    const std::string path = ResolveSkinFilePath();
    for (bool hard : {true, false}) {
        CAPTURE(hard);
        const std::string sentinel = p.Sentinel("profile");
        DeleteFileA(path.c_str());
        testunix::RemoveLink(path);
        if (hard)
            REQUIRE(CreateHardLinkA(path.c_str(), sentinel.c_str(), nullptr));
        else
            testunix::MakeFolderLink(path, sentinel);
        {
            SkinDescription skin(path);
            REQUIRE(skin.Ready());
            CHECK(skin.Path() == path);
            CHECK(IniFile(skin.Path(), skin.Text()).GetString("MAINSCREENINFO", "Mask") == "Mask.bmp");
        }
        CHECK(p.SentinelKept(sentinel));
        CHECK(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);  // nor deleted
        testunix::RemoveLink(path);
        DeleteFileA(path.c_str());
    }
    // A module without the description gives none.
    CHECK_FALSE(SkinDescription(path, GetModuleHandleA("kernel32.dll")).Ready());
}

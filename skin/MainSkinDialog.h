// The skinned main screen: a caption-less pop-up dialog shaped by the mask picture, painted with
// the main picture, carrying the main buttons, the main texts, the pages and the animation area,
// all built from the skin description by LoadSkin. It is dragged by its background and shows one
// primary page and, above it, one side page.
//
// The application's main window derives from it: it says what the buttons do (ButtonPressed),
// what a page is (MakePage, PageBuilt), which pages it needs at once (BuildsAtOnce), where the
// animation plays (CreateAnimationArea) and whether to scan at once (ShouldScanOnStart).
//
// Pages not needed at once are built after the screen, one per tick of a short timer (so painting
// and input come first), or at once when the window's thread asks for one by name or for them all.
// The main buttons' faces of pressing and of stopping a scan are decoded from the first tick on
// and given on the tick after they are ready, or with all pages.
// ShowPage and ShowSidePage may be called from any thread (the rule of SkinElementSet.h), but only
// the window's thread builds: another thread sees the pages built so far, so whoever starts a
// worker that uses pages calls BuildAllPages first. Building and Reset only on the window's thread.
#pragma once

#include "platform/Notifier.h"
#include "skin/IniFile.h"
#include "skin/SkinCheckList.h"
#include "skin/SkinDialog.h"
#include "skin/SkinLine.h"
#include "skin/SkinPanel.h"
#include "skin/SkinSource.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>


// Told to the user when a "skin.ini" of their own cannot serve.
extern const char kCustomSkinUnusable[];

// Sent to every descendant with an object of the window layer just before the main screen goes.
const UINT kSkinClosingMessage = WM_USER + 101;

class MainSkinDialog : public SkinDialog {
public:
    // The animation area's control identifier and window name.
    static constexpr UINT kAnimationId = 110;

    // templateId: the program's caption-less skinned template; listMenu: the pages' list menu.
    MainSkinDialog(UINT templateId, const CheckListMenu& listMenu, tw::Notifier& notifier);
    // The window goes first, while the pages its handlers use still exist.
    ~MainSkinDialog() override { Destroy(); }

    // The skin file's name, resolved against the current directory when the skin is prepared.
    void SetSkinFileName(std::string name) { skinFilePath_ = std::move(name); }
    const std::string& SkinFilePath() const { return skinFilePath_; }

    // Settles the skin before the window is made, so that its pictures decode meanwhile: chooses
    // the description, resolves the skin file path, reads the description, and starts decoding the
    // pictures the screen shows first. Initialising the dialog does it when nobody did before;
    // the window made next takes what it prepared.
    void PrepareSkin();

    // Builds the whole screen from the skin description (Reset first).
    virtual void LoadSkin();

    // The first page with this name becomes the primary page (the side page goes); an unknown
    // name leaves no page shown. The current name changes nothing.
    void ShowPage(const std::string& name);
    // The first page with this name is shown above the primary page, which stays.
    void ShowSidePage(const std::string& name);
    SkinPanel* PrimaryPage() const;
    SkinPanel* SidePage() const;

    // The first page with this name, built now when the window's thread asks for one still to
    // come; null when there is none (or, on another thread, when it is not built yet).
    SkinPanel* Page(const std::string& name) const;
    // Every page in the description's order; on the window's thread the ones still to come are
    // built first.
    std::vector<SkinPanel*> Pages() const;
    // Builds the pages still to come. Window's thread only.
    void BuildAllPages();
    // How many pages are still to be built.
    std::size_t PagesToCome() const;
    // The timer that builds the pages still to come.
    static constexpr UINT_PTR kPageBuildTimer = 0x7457;
    virtual HWND AnimationArea() const { return animation_.Handle(); }

    // Every element, the screen images and every page.
    void Reset() override;

    // What Tab and Shift+Tab move through, in the order they appear (top to bottom, and left to
    // right along a row): the main buttons and the shown pages' buttons, lists and edit boxes that
    // can take the focus. Window's thread.
    std::vector<HWND> TabOrder() const;
    // The focus to the next of them (the one before when backwards), round past the end; the
    // focus rectangle shows from now on.
    void MoveFocus(bool backwards);

protected:
    // PrepareSkin unless done, tells the user when their "skin.ini" cannot serve, and builds the
    // screen. Without a description: the user is told and the dialog ends with 2.
    bool OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnTimer(UINT_PTR id) override;

    virtual void SetRegionFromMask(HBITMAP mask);
    // A new, empty page object; the application's pages derive from SkinPanel.
    virtual std::unique_ptr<SkinPanel> MakePage() { return std::make_unique<SkinPanel>(); }
    // Called once a page has its window and its elements (to load what it shows).
    virtual void PageBuilt(SkinPanel& /*page*/) {}
    // True for a page the screen needs as soon as it shows; the others come later. Every page by default.
    virtual bool BuildsAtOnce(const std::string& /*page*/) const { return true; }
    // Makes the hidden animation area at area (dialog client coordinates).
    virtual bool CreateAnimationArea(const SkinRect& area);
    // Where a skin of the user's own would be: "skin.ini" beside the program.
    virtual std::string CustomSkinPath() const;
    // True when the screen should press "BUTTON_SCAN" as soon as it is built.
    virtual bool ShouldScanOnStart() const { return false; }
    // Whether a shown page's controls take the focus (a page of status lights does not).
    virtual bool TakesFocus(const SkinPanel& /*page*/) const { return true; }

    tw::Notifier& Notifier() { return notifier_; }

private:
    // What PrepareSkin settled, kept until the screen is built from it.
    struct PreparedSkin {
        CustomSkin custom = CustomSkin::Absent;
        std::unique_ptr<SkinDescription> description;
        std::unique_ptr<IniFile> ini;
        std::unique_ptr<SkinImageCache> images;
    };
    // The pictures the screen shows as soon as it is built, in the order it needs them.
    std::vector<std::string> FirstPictures(const IniFile& ini) const;

    // A page of the description: its line, and its object once built.
    struct PageSlot {
        ScreenLine line;
        std::unique_ptr<SkinPanel> page;
        bool tried = false;  // built, or failed to build
    };

    // Builds the page of a slot not tried yet, in its place among its siblings. Window's thread.
    void BuildPage(std::size_t slot);
    void PlaceAmongPages(std::size_t slot, HWND page);
    // Loads the screen images left for later and gives the buttons their faces. Window's thread.
    void LoadLateScreens();
    void EndPageBuilding();
    bool OnWindowThread() const;
    void Paint();
    void SwitchPage(SkinPanel*& slot, const std::string& name, bool above);

    CheckListMenu listMenu_;
    tw::Notifier& notifier_;
    std::string skinFilePath_ = "profile";
    std::unique_ptr<PreparedSkin> prepared_;
    // Sized once per build; a slot's page is set, under pageLock_, only once it is complete.
    std::vector<PageSlot> slots_;
    // What the pages still to come are built from.
    std::unique_ptr<IniFile> pendingIni_;
    std::unique_ptr<SkinImageCache> pendingImages_;
    // Screen images (and their paths) given to the buttons once the page timer finds them decoded.
    std::vector<std::pair<ScreenImage, std::string>> lateScreens_;
    // Guards primary_, side_ and the slots' pages. Recursive: showing a page on the window's
    // thread sends messages whose handlers may switch pages again.
    mutable std::recursive_mutex pageLock_;
    SkinPanel* primary_ = nullptr;
    SkinPanel* side_ = nullptr;
    tw::Window animation_;
};

#include "skin/MainSkinDialog.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinRegion.h"
#include "skin/SkinSource.h"

#include <windowsx.h>

namespace {

struct ClosingNotice {
    static BOOL CALLBACK Send(HWND window, LPARAM) {
        if (tw::Window::FromHandle(window)) SendMessageA(window, kSkinClosingMessage, 0, 0);
        return TRUE;
    }
};

}  // namespace

MainSkinDialog::MainSkinDialog(UINT templateId, const CheckListMenu& listMenu, tw::Notifier& notifier)
    : SkinDialog(templateId), listMenu_(listMenu), notifier_(notifier) {}

const char kCustomSkinUnusable[] =
    "The skin file \"skin.ini\" beside the program could not be used; the built-in skin is shown.";

std::string MainSkinDialog::CustomSkinPath() const { return ProgramFolder() + "\\" + kCustomSkinName; }

bool MainSkinDialog::OnInitDialog() {
    skinFilePath_ = ResolveSkinFilePath(skinFilePath_);
    // Decided once, when the screen first builds: every screen built later follows the choice.
    if (UseCustomSkin(CustomSkinPath()) == CustomSkin::Unusable) notifier_.Notify(kCustomSkinUnusable);
    // The description exists on disk only while the screen is built from it.
    SkinDescriptionFile file(skinFilePath_);
    if (!file.Ready()) {
        notifier_.Notify("");
        End(2);
        return true;
    }
    LoadSkin();
    return true;
}

void MainSkinDialog::LoadSkin() {
    Reset();
    IniFile ini(skinFilePath_);
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    auto path = [&](const std::string& name) { return SkinImagePath(skinFilePath_, name); };

    // Each picture is decoded once for the whole screen: the pages share their pictures.
    SkinImageCache images;
    LoadScreen(ScreenImage::Normal, path(keys.main), nullptr, &images);
    SIZE size{};
    SharedBitmap mask = images.Load(path(keys.mask), &size);
    RECT window{};
    GetWindowRect(Handle(), &window);
    // One pixel narrower and two lower than the mask: the outline the screen has always had.
    SetWindowPos(Handle(), HWND_TOP, window.left, window.top, size.cx - 1, size.cy - 2, SWP_NOOWNERZORDER);
    LoadScreen(ScreenImage::Over, path(keys.over), nullptr, &images);
    LoadScreen(ScreenImage::Down, path(keys.down), nullptr, &images);
    LoadScreen(ScreenImage::Disabled, path(keys.disabled), nullptr, &images);
    LoadScreen(ScreenImage::StopScanOver, path(keys.stopScanOver), nullptr, &images);
    SetRegionFromMask(mask.get());

    LoadButtons(Handle(), ini, "MAINSCREENBUTTONINFO", ButtonText::Tooltip);
    LoadTexts(Handle(), ini, "TEXTINFO");
    BuildPages(ini, images);
    EnableButton("BUTTON_MAIN", false);  // the screen starts on the home page
    InvalidateRect(Handle(), nullptr, TRUE);

    CreateAnimationArea(ParseDimension(ini.GetString("MAINSCREENANIMATION", "DIMENSION", "")));
    DeleteFileA("remove-top.swf");
    if (ShouldScanOnStart()) ButtonPressed("BUTTON_SCAN");
}

void MainSkinDialog::SetRegionFromMask(HBITMAP mask) { ::SetRegionFromMask(Handle(), mask, notifier_); }

void MainSkinDialog::BuildPages(const IniFile& ini, SkinImageCache& images) {
    for (const std::string& text : ReadNumberedLines(ini, "SUBMAINSCREENINFO")) {
        std::unique_ptr<SkinPanel> page = MakePage();
        if (!page || !page->Create(Handle(), ParseScreenLine(text), skinFilePath_, 0, &images)) continue;
        page->LoadElements(ini, listMenu_);
        PageBuilt(*page);
        pages_.push_back(std::move(page));
    }
}

bool MainSkinDialog::CreateAnimationArea(const SkinRect& area) {
    RECT r{area.left, area.top, area.right, area.bottom};
    return animation_.CreateOwn("SHOCKWAVE", WS_CHILD, 0, r, Handle(), kAnimationId);
}

void MainSkinDialog::Reset() {
    {
        std::lock_guard<std::recursive_mutex> guard(pageLock_);
        primary_ = side_ = nullptr;
    }
    SkinDialog::Reset();
    pages_.clear();
    animation_.Destroy();
}

SkinPanel* MainSkinDialog::Page(const std::string& name) const {
    for (const auto& p : pages_)
        if (p->SkinName() == name) return p.get();
    return nullptr;
}

SkinPanel* MainSkinDialog::PrimaryPage() const {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    return primary_;
}

SkinPanel* MainSkinDialog::SidePage() const {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    return side_;
}

void MainSkinDialog::SwitchPage(SkinPanel*& slot, const std::string& name, bool above) {
    if (slot) slot->Show(false);
    slot = Page(name);
    if (!slot) return;
    slot->Show(true, above);
    InvalidateRect(slot->Handle(), nullptr, FALSE);
}

void MainSkinDialog::ShowPage(const std::string& name) {
    {
        std::lock_guard<std::recursive_mutex> guard(pageLock_);
        if (primary_ && primary_->SkinName() == name) return;
        if (side_) side_->Show(false);
        side_ = nullptr;
        SwitchPage(primary_, name, false);
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

void MainSkinDialog::ShowSidePage(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    if (side_ && side_->SkinName() == name) return;
    SwitchPage(side_, name, true);
}

void MainSkinDialog::Paint() {
    if (SkinPanel* side = SidePage()) InvalidateRect(side->Handle(), nullptr, FALSE);
    tw::PaintDC paint(Handle());
    PaintBackground(paint.get());
    // The elements paint over the new background.
    for (const auto& b : Buttons()) InvalidateRect(b->Handle(), nullptr, TRUE);
    for (const auto& t : Texts()) InvalidateRect(t->Handle(), nullptr, TRUE);
    for (const auto& e : Edits()) InvalidateRect(e->Handle(), nullptr, TRUE);
}

bool MainSkinDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        if (!Screen(ScreenImage::Normal)) break;
        Paint();
        result = 0;
        return true;
    case WM_LBUTTONDOWN: {
        // Dragged by its background as by a caption. The system's move loop wants the point on
        // the screen: a client point would make the window jump by its own position.
        POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(Handle(), &at);
        PostMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
        return false;
    }
    case WM_USER + 10:
    case WM_USER + 11:
        result = 0;
        return true;
    case WM_DESTROY:
        // Children still exist here; they are destroyed after their parent hears of it.
        EnumChildWindows(Handle(), &ClosingNotice::Send, 0);
        return false;
    default:
        break;
    }
    return SkinDialog::OnMessage(msg, wp, lp, result);
}

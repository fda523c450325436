#include "skin_preview.h"

#include "resource.h"
#include "skin/IniFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinRegion.h"
#include "skin/SkinSource.h"

namespace skintest {

void PreviewPage::ButtonPressed(std::string name) { screen_.pressed.push_back(SkinName() + ":" + name); }

SkinPreview::SkinPreview(tw::Notifier& notifier) : SkinDialog(IDD_SKIN_DIALOG), notifier_(notifier) {}

bool SkinPreview::Build() {
    if (!CreateModeless(nullptr)) return false;
    SkinDescriptionFile file(ResolveSkinFilePath());
    if (!file.Ready()) return false;
    skinFilePath = file.Path();
    IniFile ini(skinFilePath);
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    auto path = [&](const std::string& name) { return SkinImagePath(skinFilePath, name); };

    LoadScreen(ScreenImage::Normal, path(keys.main));
    tw::UniqueHBitmap mask;
    SIZE size = LoadSkinImage(path(keys.mask), mask);
    RECT window{};
    GetWindowRect(Handle(), &window);
    SetWindowPos(Handle(), HWND_TOP, window.left, window.top, size.cx - 1, size.cy - 2, SWP_NOOWNERZORDER);
    LoadScreen(ScreenImage::Over, path(keys.over));
    LoadScreen(ScreenImage::Down, path(keys.down));
    LoadScreen(ScreenImage::Disabled, path(keys.disabled));
    LoadScreen(ScreenImage::StopScanOver, path(keys.stopScanOver));
    SetRegionFromMask(Handle(), mask.get(), notifier_);

    LoadButtons(Handle(), ini, "MAINSCREENBUTTONINFO", ButtonText::Tooltip);
    LoadTexts(Handle(), ini, "TEXTINFO");
    for (const std::string& line : ReadNumberedLines(ini, "SUBMAINSCREENINFO")) {
        auto page = std::make_unique<PreviewPage>(*this);
        if (!page->Create(Handle(), ParseScreenLine(line), skinFilePath, 0)) continue;
        page->LoadElements(ini, CheckListMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL});
        pages.push_back(std::move(page));
    }
    EnableButton("BUTTON_MAIN", false);
    InvalidateRect(Handle(), nullptr, TRUE);
    return true;
}

PreviewPage* SkinPreview::Page(const std::string& name) const {
    for (const auto& p : pages)
        if (p->SkinName() == name) return p.get();
    return nullptr;
}

void SkinPreview::Show(const std::string& primary, const std::string& side) {
    for (const auto& p : pages) ShowWindow(p->Handle(), SW_HIDE);
    if (PreviewPage* p = Page(primary)) ShowWindow(p->Handle(), SW_SHOWNA);
    if (PreviewPage* p = Page(side)) {
        // The side page overlaps the primary one and must stay above it.
        SetWindowPos(p->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

}  // namespace skintest

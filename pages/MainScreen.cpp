#include "pages/MainScreen.h"

MainScreen::MainScreen(UINT templateId, const CheckListMenu& listMenu, tw::Notifier& notifier, Settings& settings,
                       ScheduleClock clock)
    : MainSkinDialog(templateId, listMenu, notifier), settings_(settings),
      schedule_(settings, *this, std::move(clock)) {}

void MainScreen::LoadSkin() {
    schedule_.Load();
    // Known before the pages that show them are built, which may be after the screen shows.
    schedule_.SetSwitch(settings_.ReadFlag(settingflags::EnableScan.value));
    if (settings_.ReadFlag(settingflags::AutoScan.value)) scanOnStart_ = true;
    MainSkinDialog::LoadSkin();
}

void MainScreen::Reset() {
    MainSkinDialog::Reset();
    animation_.Destroy();
}

std::unique_ptr<SkinPanel> MainScreen::MakePage() {
    return std::make_unique<CSubMainSkin>(settings_, schedule_, *this, Notifier());
}

void MainScreen::PageBuilt(SkinPanel& page) {
    if (static_cast<CSubMainSkin&>(page).LoadSettings()) scanOnStart_ = true;
}

void MainScreen::ShowScheduleSwitch(bool on) {
    for (const auto& page : Pages()) page->SetButtonChecked(settingflags::EnableScan.button, on);
}

bool MainScreen::CreateAnimationArea(const SkinRect& area) {
    RECT r{area.left, area.top, area.right, area.bottom};
    return CreateMainScreenAnimation(animation_, Handle(), r);
}

bool MainScreen::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_DESTROY) schedule_.Save();
    return MainSkinDialog::OnMessage(msg, wp, lp, result);
}

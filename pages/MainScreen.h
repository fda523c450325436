// The main screen with its pages: MainSkinDialog whose pages are CSubMainSkin, which load the
// settings when they are built, share one automatic scan schedule and play their animation in a
// GifAnimationHost. The application's main window derives from it and says what the main
// buttons do.
#pragma once

#include "pages/CSubMainSkin.h"
#include "settings/ScanSchedule.h"
#include "settings/Settings.h"
#include "skin/GifAnimationHost.h"
#include "skin/MainSkinDialog.h"

#include <atomic>
#include <memory>
#include <string>

class MainScreen : public MainSkinDialog, public PageScreen {
public:
    MainScreen(UINT templateId, const CheckListMenu& listMenu, tw::Notifier& notifier, Settings& settings,
               ScheduleClock clock = SystemScheduleClock());
    // The window goes first, while the schedule and the pages its handlers use still exist.
    ~MainScreen() override { Destroy(); }

    CSubMainSkin* SubPage(const std::string& name) const { return static_cast<CSubMainSkin*>(Page(name)); }
    ScanSchedule& Schedule() { return schedule_; }
    HWND AnimationArea() const override { return animation_.Handle(); }

    // The start-scan flag: set by the command line, and by the "autoscan" setting when the pages load.
    void SetScanOnStart(bool on) { scanOnStart_ = on; }
    bool ScanOnStart() const { return scanOnStart_; }
    void SetScanRunning(bool running) { scanRunning_ = running; }

    // What the schedule and the pages ask of the screen.
    void ShowPage(const std::string& page) override { MainSkinDialog::ShowPage(page); }
    void PressButton(const std::string& name) override { ButtonPressed(name); }
    bool ScanRunning() const override { return scanRunning_; }
    void ShowScheduleSwitch(bool on) override;

    // The schedule, its switch and the "autoscan" setting are read before the pages that show
    // them are built.
    void LoadSkin() override;
    void Reset() override;

protected:
    std::unique_ptr<SkinPanel> MakePage() override;
    void PageBuilt(SkinPanel& page) override;
    bool CreateAnimationArea(const SkinRect& area) override;
    bool ShouldScanOnStart() const override { return scanOnStart_ && !scanRunning_; }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    Settings& settings_;
    ScanSchedule schedule_;
    GifAnimationHost animation_;
    bool scanOnStart_ = false;
    std::atomic<bool> scanRunning_{false};
};

// The main screen as the tests build it from the shipped description: the real MainSkinDialog
// with pages that report their button presses, made modeless so the tests can drive it. The tests
// check the description end to end with it and take the screenshot of the README from it.
#pragma once

#include "platform/Notifier.h"
#include "skin/MainSkinDialog.h"
#include "skin/SkinPanel.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skintest {

class SkinPreview;

// Writes the window as it appears on the screen, on a plain backdrop, as a 24-bit BMP; probe is
// the colour inside the scan button.
bool SaveScreenshot(HWND window, const std::string& path, COLORREF& probe);

class PreviewPage : public SkinPanel {
public:
    explicit PreviewPage(SkinPreview& screen) : screen_(screen) {}
    void ButtonPressed(std::string name) override;

private:
    SkinPreview& screen_;
};

class SkinPreview : public MainSkinDialog {
public:
    explicit SkinPreview(tw::Notifier& notifier);

    // Creates the window, which builds itself; false when it could not.
    bool Build();
    PreviewPage* Page(const std::string& name) const;
    // Shows one page, and optionally a second one above it.
    void Show(const std::string& primary, const std::string& side = "");

    void ButtonPressed(std::string name) override { pressed.push_back(std::move(name)); }

    std::vector<std::string> pressed;  // main buttons, then "page:button" for page buttons
    bool scanOnStart = false;
    // When set, only these pages are built with the screen; the others come later.
    std::optional<std::vector<std::string>> atOnce;

protected:
    std::unique_ptr<SkinPanel> MakePage() override { return std::make_unique<PreviewPage>(*this); }
    bool ShouldScanOnStart() const override { return scanOnStart; }
    bool BuildsAtOnce(const std::string& page) const override {
        return !atOnce || std::find(atOnce->begin(), atOnce->end(), page) != atOnce->end();
    }
};

}  // namespace skintest

// A stand-in for the main screen, assembled from the shipped description the way the program's
// main window is: main pictures, outline, buttons, texts and every page. The tests check the
// description end to end with it and take the screenshot of the README from it.
#pragma once

#include "platform/Notifier.h"
#include "skin/SkinDialog.h"
#include "skin/SkinPanel.h"

#include <memory>
#include <string>
#include <vector>

namespace skintest {

class SkinPreview;

class PreviewPage : public SkinPanel {
public:
    explicit PreviewPage(SkinPreview& screen) : screen_(screen) {}
    void ButtonPressed(std::string name) override;

private:
    SkinPreview& screen_;
};

class SkinPreview : public SkinDialog {
public:
    explicit SkinPreview(tw::Notifier& notifier);

    // Creates the window and builds it; false when the description could not be written.
    bool Build();
    PreviewPage* Page(const std::string& name) const;
    // Shows one page, and optionally a second one beside (and above) it.
    void Show(const std::string& primary, const std::string& side = "");

    void ButtonPressed(std::string name) override { pressed.push_back(std::move(name)); }

    std::vector<std::unique_ptr<PreviewPage>> pages;
    std::vector<std::string> pressed;  // main buttons, then "page:button" for page buttons
    std::string skinFilePath;

private:
    tw::Notifier& notifier_;
};

}  // namespace skintest

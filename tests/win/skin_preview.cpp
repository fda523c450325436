#include "skin_preview.h"

#include "resource.h"

namespace skintest {

void PreviewPage::ButtonPressed(std::string name) { screen_.pressed.push_back(SkinName() + ":" + name); }

SkinPreview::SkinPreview(tw::Notifier& notifier)
    : MainSkinDialog(IDD_SKIN_DIALOG, CheckListMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL},
                     notifier) {}

bool SkinPreview::Build() { return CreateModeless(nullptr) && Handle(); }

PreviewPage* SkinPreview::Page(const std::string& name) const {
    return static_cast<PreviewPage*>(MainSkinDialog::Page(name));
}

void SkinPreview::Show(const std::string& primary, const std::string& side) {
    ShowPage(primary);
    if (!side.empty()) ShowSidePage(side);
}

}  // namespace skintest

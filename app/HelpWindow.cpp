#include "app/HelpWindow.h"

#include "app/HelpText.h"
#include "resource.h"

std::string BuiltInHelpText() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_PAGE), MAKEINTRESOURCEA(23));  // RT_HTML
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* page = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!page) return {};
    return HtmlToText(std::string(page, SizeofResource(module, found)));
}

HelpWindow::HelpWindow() : tw::Dialog(IDD_HELP) {}

bool HelpWindow::OnInitDialog() {
    SetDlgItemTextA(Handle(), IDC_HELP_TEXT, BuiltInHelpText().c_str());
    // The button has the focus, so the text shows from its top without a selection.
    SetFocus(GetDlgItem(Handle(), IDOK));
    return false;
}

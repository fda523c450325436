// The result list's context menu: keep rows (they go to the ignore list at once and are left
// unticked), show a row's key in the system's registry editor, open a link's folder.
#include "app/MainWindow.h"

#include "app/ResultRows.h"
#include "platform/Handles.h"
#include "registry/Categories.h"
#include "registry/ViewPath.h"
#include "resource.h"

namespace {

const char kIgnoreNotSaved[] = "The ignore list could not be saved; it is unchanged.";

// The registry editor shows, when it starts, the key it last showed: its own setting.
bool SetRegistryEditorKey(const std::string& key) {
    const bool nt6 = (GetVersion() & 0x80000000u) == 0 && LOBYTE(LOWORD(GetVersion())) >= 6;
    const std::string shown = std::string(nt6 ? "Computer\\" : "My Computer\\") + key;
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return false;
    tw::UniqueHKey settings(opened);
    return RegSetValueExA(settings.get(), "LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(shown.c_str()),
                          static_cast<DWORD>(shown.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace

void MainWindow::SetUpResultMenu(SkinCheckList& list) {
    SkinCheckList::MenuHandler handler;
    handler.prepare = [this](HMENU popup, const SkinCheckList::MenuRows& rows) {
        const bool idle = resultsAvailable_ && !fixRunning_ && !ScanRunning() && !rows.empty();
        const bool registry = idle && rows.front() < registryRowCount_;
        auto enable = [popup](UINT id, bool on) { EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
        enable(ID_RESULT_KEEP, idle);
        enable(ID_RESULT_REGEDIT, registry);
        enable(ID_RESULT_FOLDER, idle && !registry);
    };
    handler.command = [this](UINT command, const SkinCheckList::MenuRows& rows) { ResultMenuCommand(command, rows); };
    list.SetMenu(CheckListMenu{IDR_RESULT_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL}, std::move(handler));
}

void MainWindow::ResultMenuCommand(UINT command, const std::vector<int>& rows) {
    if (!resultsAvailable_ || fixRunning_ || ScanRunning() || rows.empty()) return;
    const ErrorList& errors = registry_.Errors();
    const int first = rows.front();
    const bool registry = first >= 0 && first < registryRowCount_ && static_cast<std::size_t>(first) < errors.size();
    const std::size_t link = static_cast<std::size_t>(first - registryRowCount_);
    if (command == ID_RESULT_KEEP) {
        KeepRows(rows);
    } else if (command == ID_RESULT_REGEDIT && registry) {
        const std::string key = RegistryEditorPath(errors[static_cast<std::size_t>(first)].KeyPath());
        if (SetRegistryEditorKey(key)) OpenDocument("regedit.exe");
    } else if (command == ID_RESULT_FOLDER && !registry && link < shortcuts_.Broken().size()) {
        OpenDocument(ShortcutRowTexts(shortcuts_.Path(link))[kResultLocation]);
    }
}

void MainWindow::KeepRows(const std::vector<int>& rows) {
    SkinCheckList* list = ResultList();
    const ErrorList& errors = registry_.Errors();
    CRegistryLib lib;  // reads "ignore.lst" as it is now
    for (int row : rows) {
        ErrorRecord kept;
        if (row >= 0 && row < registryRowCount_ && static_cast<std::size_t>(row) < errors.size()) {
            kept = errors[static_cast<std::size_t>(row)];
        } else if (row >= registryRowCount_ && static_cast<std::size_t>(row - registryRowCount_) < shortcuts_.Broken().size()) {
            kept.SetCategory(kShortcutCategory);
            kept.SetItem(shortcuts_.Path(static_cast<std::size_t>(row - registryRowCount_)));
        } else {
            continue;
        }
        if (!HoldsEntry(lib.IgnoreList(), kept)) lib.IgnoreList().push_back(std::move(kept));
    }
    if (lib.SaveIgnoreList() != 0) {
        notifier_.Notify(kIgnoreNotSaved);
        return;
    }
    // Unticked, the rows stay where they are when "Remove Errors" is pressed.
    if (list)
        for (int row : rows) list->SetChecked(row, false);
    if (CSubMainSkin* ignored = SubPage(kIgnoredPage)) ignored->RefillIgnoredList();
}

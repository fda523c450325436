#include "app/BackupsWindow.h"

#include "maintenance/BackupExport.h"
#include "maintenance/BackupFolder.h"
#include "maintenance/RegistryBackup.h"
#include "maintenance/RepairGuard.h"
#include "resource.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace {

enum Column { kWhen, kKeys, kValues, kLinks, kSize, kState, kColumnCount };
const char* const kTitles[kColumnCount] = {"Backup of", "Keys", "Values", "Links", "Size", "State"};
const int kWidths[kColumnCount] = {150, 50, 55, 50, 75, 0};  // the state takes what is left

std::string SizeText(std::uint64_t size) {
    char buf[32] = "";
    StrFormatByteSizeA(static_cast<DWORD>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size), buf, sizeof buf);
    return buf;
}

std::string Lines(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += "\n  " + item;
    return out;
}

// What a restore that ran did, for the user.
std::string RestoredText(const BackupEntry& entry, const RestoreResult& r) {
    const std::string when = BackupTimeText(entry.stamp);
    std::string text = r.status == RestoreResult::Status::Restored
                           ? "The registry is restored as it was before the repair of " + when + ": "
                           : "The registry is restored only in part from the backup of " + when + ": ";
    text += std::to_string(r.recordsApplied) + " key record(s) written back";
    if (r.linksRestored > 0) text += ", " + std::to_string(r.linksRestored) + " shortcut(s) put back";
    text += ".";
    if (r.keyFailures > 0 || r.valueFailures > 0)
        text += " " + std::to_string(r.keyFailures) + " key(s) and " + std::to_string(r.valueFailures) +
                " value(s) could not be written.";
    // Shortcuts left out were named in the restore's own message just before.
    if (!r.linksExisting.empty() || !r.linksFailed.empty())
        text += " Some shortcut files were not put back; the message before this one names them.";
    return text;
}

}  // namespace

BackupsWindow::BackupsWindow(tw::Notifier* notifier) : tw::Dialog(IDD_BACKUPS), given_(notifier) {
    boxes_.SetOwner(this);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

HWND BackupsWindow::List() const { return GetDlgItem(Handle(), IDC_BACKUPS_LIST); }

int BackupsWindow::Selected() const {
    return static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void BackupsWindow::Select(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(List(), LVM_ENSUREVISIBLE, row, FALSE);
    UpdateButtons();
}

const BackupEntry* BackupsWindow::SelectedEntry() const {
    const int row = Selected();
    return row >= 0 && row < static_cast<int>(catalog_.entries.size()) ? &catalog_.entries[row] : nullptr;
}

bool BackupsWindow::OnInitDialog() {
    HWND list = List();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    int used = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c == kWhen || c == kState ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.pszText = const_cast<char*>(kTitles[c]);
        column.cx = kWidths[c] ? kWidths[c] : std::max(80, static_cast<int>(client.right) - used - 4);
        used += column.cx;
        SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    Refill();
    SetFocus(list);
    return false;  // the focus is set
}

void BackupsWindow::Refill() {
    catalog_ = ReadBackupCatalog();
    HWND list = List();
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    std::string heading;
    if (!catalog_.linked.empty())
        heading = catalog_.linked;
    else if (catalog_.entries.empty())
        heading = "There are no backups in " + catalog_.folder + " yet: one is taken before every repair.";
    else
        heading = "Backups in " + catalog_.folder + ", newest first. A backup holds what its repair removed.";
    SetDlgItemTextA(Handle(), IDC_BACKUPS_FOLDER, heading.c_str());
    for (std::size_t i = 0; i < catalog_.entries.size(); ++i) {
        const BackupEntry& e = catalog_.entries[i];
        const std::string cells[kColumnCount] = {BackupTimeText(e.stamp), std::to_string(e.keys),
                                                 std::to_string(e.values), std::to_string(e.links), SizeText(e.size),
                                                 e.damaged ? "Damaged: " + e.damage : std::string()};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(cells[0].c_str());
        const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < kColumnCount; ++c) {
            LVITEMA cell{};
            cell.iSubItem = c;
            cell.pszText = const_cast<char*>(cells[c].c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
        }
    }
    if (!catalog_.entries.empty())
        Select(0);
    else
        UpdateButtons();
}

void BackupsWindow::UpdateButtons() {
    const BackupEntry* entry = SelectedEntry();
    EnableWindow(GetDlgItem(Handle(), IDOK), entry && !entry->damaged);
    EnableWindow(GetDlgItem(Handle(), IDC_BACKUPS_EXPORT), entry != nullptr);
    EnableWindow(GetDlgItem(Handle(), IDC_BACKUPS_DELETE), entry != nullptr);
}

bool BackupsWindow::OnCommand(UINT code, UINT id, HWND control) {
    if (code == BN_CLICKED && id == IDC_BACKUPS_EXPORT) {
        Export();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_BACKUPS_DELETE) {
        Delete();
        return true;
    }
    return tw::Dialog::OnCommand(code, id, control);
}

bool BackupsWindow::OnNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_BACKUPS_LIST) return false;
    if (header.code == LVN_ITEMCHANGED) {
        UpdateButtons();
    } else if (header.code == NM_DBLCLK) {
        if (Selected() >= 0) Restore();
    } else {
        return false;
    }
    result = 0;
    return true;
}

tw::Notifier& BackupsWindow::Messages() { return given_ ? *given_ : boxes_; }

void BackupsWindow::Tell(const std::string& text) { Messages().Notify(text); }

bool BackupsWindow::Ask(const std::string& text, bool warning) {
    const UINT style = MB_OKCANCEL | (warning ? MB_ICONWARNING | MB_DEFBUTTON2 : MB_ICONQUESTION);
    return MessageBoxA(Handle(), text.c_str(), "Tidewarp Backups", style) == IDOK;
}

std::string BackupsWindow::RestoreRefusal() const { return RepairRefusal(); }

void BackupsWindow::Restore() {
    const BackupEntry* chosen = SelectedEntry();
    if (!chosen) return;
    const BackupEntry entry = *chosen;  // the list may be filled again meanwhile
    const std::string when = BackupTimeText(entry.stamp);
    if (entry.damaged) {
        Tell("The backup of " + when + " is damaged (" + entry.damage + ") and cannot be restored. Nothing was written.");
        return;
    }
    const std::string refused = RestoreRefusal();
    if (!refused.empty()) {
        Tell(refused);
        return;
    }
    if (!Ask("Restore the registry as it was before the repair of " + when + "?", false)) return;
    if (restoringHook_) restoringHook_(true);
    const RestoreResult r =
        RestoreChosenBackup(entry.path, Messages(), [this](const std::string& path, const std::string& problem) {
            return Ask(UnsignedRestoreQuestion(path, problem), true);
        });
    if (restoringHook_) restoringHook_(false);
    if (r.status == RestoreResult::Status::Restored || r.status == RestoreResult::Status::KeysFailed)
        Tell(RestoredText(entry, r));
}

std::string BackupsWindow::ChooseExportFile(const std::string& suggested) {
    std::vector<char> file(MAX_PATH * 4, '\0');
    suggested.copy(file.data(), file.size() - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = "Registry files (*.reg)\0*.reg\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = "Export the backup as a registry-editor file";
    ofn.lpstrDefExt = "reg";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&ofn)) return {};
    return file.data();
}

void BackupsWindow::Export() {
    const BackupEntry* chosen = SelectedEntry();
    if (!chosen) return;
    const BackupEntry entry = *chosen;
    const std::string when = BackupTimeText(entry.stamp);
    const std::string base = entry.name.substr(0, entry.name.size() - 4);
    const std::string out = ChooseExportFile(base + " regedit.reg");
    if (out.empty()) return;
    const ExportResult r = ExportBackup(entry.path, out);
    switch (r.status) {
    case ExportResult::Status::Refused:
        Tell("Not written: " + out + ": " + r.refused + ".");
        return;
    case ExportResult::Status::Unreadable:
        Tell("Cannot read the backup file " + entry.path + " (error " + std::to_string(r.error) + ").");
        return;
    case ExportResult::Status::WriteFailed:
        Tell("Cannot write " + out + " (error " + std::to_string(r.error) + ").");
        return;
    case ExportResult::Status::Written:
        break;
    }
    std::string text = "The backup of " + when + " is written to " + out + " as a registry-editor file: " +
                       std::to_string(r.records) + " key record(s).";
    if (r.damaged)
        text += "\n\nThe backup is damaged (" + r.damage + "): the file holds the key records before the damage.";
    if (!r.omitted.empty())
        text += "\n\nLeft out, since a registry editor cannot read their names:" + Lines(r.omitted);
    Tell(text);
}

void BackupsWindow::Delete() {
    const BackupEntry* chosen = SelectedEntry();
    if (!chosen) return;
    const BackupEntry entry = *chosen;
    if (!Ask("Delete the backup of " + BackupTimeText(entry.stamp) + "? It can no longer be restored afterwards.",
             true))
        return;
    tw::CheckedFolder here, folder;
    DWORD error = here.Open(CurrentDirectory());
    if (error == ERROR_SUCCESS) error = OpenBackupFolder(here, folder, false);
    if (error == ERROR_SUCCESS) error = DeleteBackup(folder, entry.name);
    if (error != ERROR_SUCCESS) Tell("Cannot delete " + entry.path + " (error " + std::to_string(error) + ").");
    const int row = Selected();
    Refill();
    if (!catalog_.entries.empty()) Select(std::min(row, static_cast<int>(catalog_.entries.size()) - 1));
}

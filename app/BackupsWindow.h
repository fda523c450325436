// The "Tidewarp Backups" window: every backup in "Registry Backups", newest first, with its date
// and time, the keys, values and shortcuts it holds and its size; any of them can be restored,
// exported as a registry-editor file or deleted. A restore keeps every refusal of the console's:
// a backup that is damaged, holds a key outside the scanned families or lies in a folder others
// may change is not written, one without this computer's signature only after the user agrees,
// and a backup folder that is a link is not listed.
#pragma once

#include "maintenance/BackupCatalog.h"
#include "platform/Dialog.h"
#include "platform/MessageBoxNotifier.h"

#include <functional>
#include <string>

class BackupsWindow : public tw::Dialog {
public:
    // Messages go to `notifier` when given, else to message boxes owned by this window.
    explicit BackupsWindow(tw::Notifier* notifier = nullptr);
    ~BackupsWindow() override { Destroy(); }

    // Told true just before a restore starts writing and false when it has ended.
    void SetRestoringHook(std::function<void(bool)> hook) { restoringHook_ = std::move(hook); }

    const BackupCatalog& Catalog() const { return catalog_; }
    HWND List() const;
    // The selected row (an index into Catalog().entries), or -1.
    int Selected() const;
    void Select(int row);
    // Reads the folder again and lists what is there now.
    void Refill();

    void Restore();
    void Export();
    void Delete();

protected:
    bool OnInitDialog() override;
    void OnOK() override { Restore(); }
    bool OnCommand(UINT code, UINT id, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

    // A question with OK and Cancel; true for OK. `warning` makes Cancel the default.
    virtual bool Ask(const std::string& text, bool warning);
    // Where the export goes (a save dialog), or empty when the user cancelled.
    virtual std::string ChooseExportFile(const std::string& suggested);
    // Why restores may not run now (RepairRefusal), or empty.
    virtual std::string RestoreRefusal() const;

private:
    tw::Notifier& Messages();
    void Tell(const std::string& text);
    void UpdateButtons();
    const BackupEntry* SelectedEntry() const;

    tw::Notifier* given_;
    tw::MessageBoxNotifier boxes_;
    BackupCatalog catalog_;
    std::function<void(bool)> restoringHook_;
};

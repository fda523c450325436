// A dialog made from a template resource of this program, run modal (the product) or modeless
// (tests, and windows living in a thread's own message loop).
#pragma once

#include "platform/Window.h"

namespace tw {

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId) noexcept : templateId_(templateId) {}

    // DialogBoxParamA: returns the result given to End, or -1 when the dialog could not be made.
    INT_PTR RunModal(HWND parent);

    // CreateDialogParamA: the dialog lives until End or Destroy. False when it could not be made.
    bool CreateModeless(HWND parent);

    // Ends a modal run with this result, or destroys a modeless dialog.
    void End(INT_PTR result);

    bool IsModal() const noexcept { return modal_; }
    INT_PTR Result() const noexcept { return result_; }
    UINT TemplateId() const noexcept { return templateId_; }

protected:
    // WM_INITDIALOG. Return true to let the dialog manager set the focus.
    virtual bool OnInitDialog() { return true; }
    // Enter and Escape (IDOK / IDCANCEL); both end the dialog unless overridden.
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnCommand(UINT code, UINT id, HWND control) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);

    UINT templateId_;
    bool modal_ = false;
    INT_PTR result_ = 0;
};

}  // namespace tw

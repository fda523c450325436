#include "platform/Dialog.h"

namespace tw {

namespace {

// Messages whose answer a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR Dialog::RunModal(HWND parent) {
    if (Handle()) return -1;
    modal_ = true;
    result_ = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, &Dialog::DialogProc,
                              reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result_;
}

bool Dialog::CreateModeless(HWND parent) {
    if (Handle()) return false;
    modal_ = false;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                                     &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr && Handle() == window;
}

void Dialog::End(INT_PTR result) {
    result_ = result;
    if (!Handle()) return;
    if (modal_)
        EndDialog(Handle(), result);
    else
        Destroy();
}

bool Dialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_INITDIALOG) return false;
    result = OnInitDialog() ? TRUE : FALSE;
    return true;
}

bool Dialog::OnCommand(UINT code, UINT id, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        if (self) self->Attach(window);
    } else {
        self = static_cast<Dialog*>(FromHandle(window));
    }
    if (!self) return FALSE;  // messages before WM_INITDIALOG go to the dialog manager
    if (msg == WM_NCDESTROY) {
        self->Detach();
        self->OnDetached();
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->Route(msg, wp, lp, result)) return FALSE;
    if (AnswersDirectly(msg)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace tw

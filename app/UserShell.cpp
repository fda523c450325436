#include "app/UserShell.h"

#include "platform/Handles.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

namespace {

// A BSTR owned for the length of a call.
struct Bstr {
    explicit Bstr(const std::string& text) {
        const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::wstring wide(n > 0 ? n : 1, L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
        value = SysAllocString(wide.c_str());
    }
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR value;
};

VARIANT Text(const Bstr& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text.value;  // borrowed: the Bstr frees it
    return v;
}

// The shell's automation object of the desktop window: desktop window, its browser, its view,
// the view's background object, and that object's application.
tw::ComPtr<IShellDispatch2> DesktopShellDispatch() {
    tw::ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void())))
        return {};
    VARIANT location, root;
    VariantInit(&location);
    VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long window = 0;
    tw::ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
        !desktop)
        return {};
    tw::ComPtr<IServiceProvider> services;
    tw::ComPtr<IShellBrowser> browser;
    tw::ComPtr<IShellView> view;
    tw::ComPtr<IDispatch> background;
    tw::ComPtr<IShellFolderViewDual> folderView;
    tw::ComPtr<IDispatch> application;
    tw::ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.put_void())) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) ||
        FAILED(browser->QueryActiveShellView(view.put())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void())) ||
        FAILED(folderView->get_Application(application.put())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void())))
        return {};
    return shell;
}

}  // namespace

bool OpenWithUserShell(const std::string& target) {
    // Joins COM for the call when the thread has not (the window's thread has, through OLE).
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool opened = false;
    {
        tw::ComPtr<IShellDispatch2> shell = DesktopShellDispatch();
        if (shell) {
            Bstr file(target), none(""), verb("open");
            VARIANT show;
            VariantInit(&show);
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            // S_FALSE: the shell found nothing to open it with.
            opened = shell->ShellExecute(file.value, Text(none), Text(none), Text(verb), show) == S_OK;
        }
    }
    if (SUCCEEDED(joined)) CoUninitialize();
    return opened;
}

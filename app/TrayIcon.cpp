#include "app/TrayIcon.h"

#include "resource.h"

#include <shellapi.h>

#include <cstring>

namespace {

NOTIFYICONDATAA IconData(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = TrayIcon::kId;
    return data;
}

}  // namespace

bool TrayIcon::Add(HWND window) {
    Remove();
    NOTIFYICONDATAA data = IconData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kMessage;
    data.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY));
    std::strncpy(data.szTip, "Tidewarp", sizeof data.szTip - 1);
    if (!Shell_NotifyIconA(NIM_ADD, &data)) return false;
    window_ = window;
    return true;
}

void TrayIcon::Remove() {
    if (!window_) return;
    NOTIFYICONDATAA data = IconData(window_);
    Shell_NotifyIconA(NIM_DELETE, &data);
    window_ = nullptr;
}

void TrayIcon::ShowMenu(HWND window) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (!menu) return;
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTBUTTON, at.x, at.y, 0, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

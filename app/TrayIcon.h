// The main window's icon in the notification area, and its menu.
#pragma once

#include <windows.h>

class TrayIcon {
public:
    static constexpr UINT kId = 132;                  // also the icon resource
    static constexpr UINT kMessage = WM_USER + 2;     // the callback message (1026)

    ~TrayIcon() { Remove(); }

    // Adds the icon with the tip "Tidewarp"; its events come to window as kMessage.
    bool Add(HWND window);
    void Remove();
    bool Added() const { return window_ != nullptr; }

    // Menu 140's first sub-menu at the cursor; the chosen command goes to the window as WM_COMMAND.
    static void ShowMenu(HWND window);

private:
    HWND window_ = nullptr;
};

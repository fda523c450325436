// Tidewarp, the window program: one copy at a time, the word "scan" starts a scan at once, and the
// main window runs until the user leaves it.
#include "app/MainWindow.h"
#include "platform/DllSearch.h"
#include "platform/Handles.h"
#include "platform/MessageBoxNotifier.h"
#include "platform/SingleInstance.h"
#include "settings/SettingsStore.h"

#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // The program runs elevated, perhaps from a folder others can write to: no DLL from beside it.
    tw::RestrictDllSearch();
    // Held, never waited on, until the process ends: its name tells a second copy that we run.
    tw::UniqueHandle marker;
    if (tw::ClaimInstance("Tidewarp", marker) == tw::Instance::AlreadyRunning) {
        MessageBoxA(nullptr, "An instance of Tidewarp is already running", "Error", MB_OK);
        return 0;
    }
    tw::MessageBoxNotifier notifier;
    SettingsStore settings;
    MainWindow window(notifier, settings);
    notifier.SetOwner(&window);  // the main window's boxes are modal to it
    window.SetScanOnStart(commandLine && std::strcmp(commandLine, "scan") == 0);
    window.PrepareSkin();  // its pictures decode while the window is made
    window.RunModal(nullptr);
    return 0;  // the window's destruction writes the statistics
}

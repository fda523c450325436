// Applying a snapshot file the user picks (meant for a page button of the main window).
#pragma once

#include "registry/RegistryLib.h"

#include <windows.h>

// Shows an open-file dialog for XML files starting in the current folder and applies the chosen
// file through the registry's notifier; false when cancelled or not applied completely.
bool RestoreFromChosenFile(CRegistryLib& registry, HWND owner);

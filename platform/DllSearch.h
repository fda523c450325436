// Where the process takes the DLLs it loads by name from. The program may run elevated from a
// folder a standard user can write to (a portable copy), so a DLL placed beside it or in the
// current folder must never be loaded in place of the system's own.
#pragma once

#include <windows.h>

namespace tw {

// From here on, DLLs loaded by name come from the system folder only, and never from the current
// folder. Called first thing in each program's entry point. On systems that lack either setting
// (SetDefaultDllDirectories needs Windows 7 with KB2533623 or later) it does what the system allows.
void RestrictDllSearch();

// A DLL of the system folder by name (L"gdiplus.dll"), for one that is not imported. Where the
// system cannot be told to look in its own folder only, the name is loaded by the system's search
// (after RestrictDllSearch, that no longer includes the current folder). Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace tw

#include "platform/DllSearch.h"

#include "platform/SystemFunction.h"

namespace tw {
namespace {

// Looked up by name: kernel32 is always mapped (a KnownDLL), and older systems lack both functions.
template <typename F>
F FindInKernel32(const char* name) {
    return FindSystemFunction<F>("kernel32.dll", name);
}

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryWFn = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

void RestrictDllSearch() {
    if (auto setDefault = FindInKernel32<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // An empty string takes the current folder out of the search order.
    if (auto setDirectory = FindInKernel32<SetDllDirectoryWFn>("SetDllDirectoryW")) setDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags reject it as an invalid parameter; on XP, GDI+ lies in
    // WinSxS rather than the system folder, where only a search by name finds it.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryW(name);
    return module;
}

}  // namespace tw

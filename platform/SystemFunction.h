// A function of a system module that is always mapped (kernel32, user32, advapi32), looked up by
// name where the system may lack it: null when the module or the function is not there.
#pragma once

#include <windows.h>

namespace tw {

template <typename F>
F FindSystemFunction(const char* module, const char* name) {
    HMODULE m = GetModuleHandleA(module);
    return m ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

}  // namespace tw

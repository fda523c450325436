#include "platform/ShutdownBlock.h"

namespace tw {

namespace {

template <typename F>
F User32(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

void ShutdownBlock::Hold(HWND window, const wchar_t* reason) {
    if (window_ || !window) return;
    window_ = window;
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (auto create = User32<Create>("ShutdownBlockReasonCreate")) create(window, reason);
}

void ShutdownBlock::Release() {
    if (!window_) return;
    using Destroy = BOOL(WINAPI*)(HWND);
    if (auto destroy = User32<Destroy>("ShutdownBlockReasonDestroy")) destroy(window_);
    window_ = nullptr;
}

}  // namespace tw

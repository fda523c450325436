#include "platform/ShutdownBlock.h"

#include "platform/SystemFunction.h"

namespace tw {

namespace {

template <typename F>
F User32(const char* name) {
    return FindSystemFunction<F>("user32.dll", name);
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

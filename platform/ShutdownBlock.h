// Holds a logoff or shutdown back while work that must not be cut off half-way runs, with the
// reason Windows shows the user. ShutdownBlockReasonCreate came with Windows Vista: it is looked
// up at run time, and without it the window's refusal of WM_QUERYENDSESSION is what holds.
#pragma once

#include <windows.h>

namespace tw {

class ShutdownBlock {
public:
    ShutdownBlock() = default;
    ~ShutdownBlock() { Release(); }
    ShutdownBlock(const ShutdownBlock&) = delete;
    ShutdownBlock& operator=(const ShutdownBlock&) = delete;

    // Gives window's reason; a second call while held changes nothing.
    void Hold(HWND window, const wchar_t* reason);
    void Release();
    bool Held() const { return window_ != nullptr; }

private:
    HWND window_ = nullptr;
};

}  // namespace tw

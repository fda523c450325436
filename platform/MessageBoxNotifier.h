// The GUI's notifier: every message is a modal message box with an OK button.
#pragma once

#include "platform/Notifier.h"
#include "platform/Window.h"

#include <windows.h>

namespace tw {

class MessageBoxNotifier : public Notifier {
public:
    explicit MessageBoxNotifier(HWND owner = nullptr, std::string programCaption = "Tidewarp")
        : owner_(owner), programCaption_(std::move(programCaption)) {}

    // A window whose thread's messages it owns, made later than the notifier: a box shown on that
    // thread is modal to it. Boxes of other threads get no owner, since disabling a window of
    // another thread waits for that thread.
    void SetOwner(const Window* window) { ownerWindow_ = window; }

protected:
    void Show(const std::string& text, NoticeCaption caption) override {
        HWND owner = owner_;
        if (HWND window = ownerWindow_ ? ownerWindow_->Handle() : nullptr)
            if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) owner = window;
        MessageBoxA(owner, text.c_str(), caption == NoticeCaption::Empty ? "" : programCaption_.c_str(), MB_OK);
    }

private:
    HWND owner_;
    const Window* ownerWindow_ = nullptr;
    std::string programCaption_;
};

}  // namespace tw

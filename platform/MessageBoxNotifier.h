// The GUI's notifier: every message is a modal message box with an OK button.
#pragma once

#include "platform/Notifier.h"

#include <windows.h>

namespace tw {

class MessageBoxNotifier : public Notifier {
public:
    explicit MessageBoxNotifier(HWND owner = nullptr, std::string programCaption = "Tidewarp")
        : owner_(owner), programCaption_(std::move(programCaption)) {}

protected:
    void Show(const std::string& text, NoticeCaption caption) override {
        MessageBoxA(owner_, text.c_str(), caption == NoticeCaption::Empty ? "" : programCaption_.c_str(), MB_OK);
    }

private:
    HWND owner_;
    std::string programCaption_;
};

}  // namespace tw

// Messages for the user go through one small interface: the program shows message boxes, tests
// record what would have been shown.
#pragma once

#include <windows.h>

#include <string>

namespace tw {

class Notifier {
public:
    virtual ~Notifier() = default;
    // flags are MessageBox flags (MB_OK, MB_ICONHAND, ...); the answer is MessageBox's (IDOK, ...).
    virtual int Show(const std::string& text, const std::string& caption, UINT flags) = 0;
};

class MessageBoxNotifier : public Notifier {
public:
    explicit MessageBoxNotifier(HWND owner = nullptr) noexcept : owner_(owner) {}
    int Show(const std::string& text, const std::string& caption, UINT flags) override {
        return MessageBoxA(owner_, text.c_str(), caption.c_str(), flags);
    }

private:
    HWND owner_;
};

}  // namespace tw

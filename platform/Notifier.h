// Messages for the user. The engine never opens a window itself: the GUI shows a message box, the
// console program writes to stderr, and tests record what would have been shown.
#pragma once

#include <string>

namespace tw {

// How a message box titles the message: with the program's name, or with no title at all.
enum class NoticeCaption { Program, Empty };

class Notifier {
public:
    virtual ~Notifier() = default;

    void Notify(const std::string& text, NoticeCaption caption = NoticeCaption::Program) { Show(text, caption); }

protected:
    virtual void Show(const std::string& text, NoticeCaption caption) = 0;
};

}  // namespace tw

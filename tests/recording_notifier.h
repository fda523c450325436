// A notifier that keeps every message instead of showing it, for tests to check.
#pragma once

#include "platform/Notifier.h"

#include <string>
#include <vector>

struct RecordingNotifier : tw::Notifier {
    struct Notice {
        std::string text;
        tw::NoticeCaption caption;
    };
    std::vector<Notice> notices;

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Notice& n : notices) out.push_back(n.text);
        return out;
    }

protected:
    void Show(const std::string& text, tw::NoticeCaption caption) override { notices.push_back({text, caption}); }
};

// The console program's notifier: each message is one line on stderr.
#pragma once

#include "platform/Notifier.h"

#include <cstdio>

class StderrNotifier : public tw::Notifier {
protected:
    void Show(const std::string& text, tw::NoticeCaption) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    }
};

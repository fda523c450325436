// The Application log's record of every restore of a registry backup, from the window or the
// console program alike.
#pragma once

#include "maintenance/RegistryBackup.h"
#include "platform/Notifier.h"

#include <string>

// Passes every message on and keeps the last one, which tells why a restore did not happen.
class NoticeRecorder : public tw::Notifier {
public:
    explicit NoticeRecorder(tw::Notifier& next) : next_(next) {}
    const std::string& Last() const { return last_; }

protected:
    void Show(const std::string& text, tw::NoticeCaption caption) override {
        last_ = text;
        next_.Notify(text, caption);
    }

private:
    tw::Notifier& next_;
    std::string last_;
};

// One event for the restore that gave `result`; `lastNotice` is the last message it showed.
void ReportRestore(const RestoreResult& result, const std::string& lastNotice);

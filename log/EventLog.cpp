#include "log/EventLog.h"

#include "platform/Codepage.h"

#include <windows.h>

namespace tw {

namespace {

const wchar_t kEventSource[] = L"Tidewarp";

struct EventSource {
    HANDLE handle = RegisterEventSourceW(nullptr, kEventSource);
    ~EventSource() {
        if (handle) DeregisterEventSource(handle);
    }
};

WORD TypeOf(EventType type) {
    switch (type) {
    case EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case EventType::Error: return EVENTLOG_ERROR_TYPE;
    case EventType::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

bool WriteEvent(unsigned long id, EventType type, const std::vector<std::string>& strings) {
    EventSource source;
    if (!source.handle) return false;
    std::vector<std::wstring> wide;
    for (const std::string& s : strings) {
        const std::u16string text = AnsiToUtf16(s);
        wide.emplace_back(text.begin(), text.end());
    }
    std::vector<LPCWSTR> pointers;
    for (const std::wstring& w : wide) pointers.push_back(w.c_str());
    return ReportEventW(source.handle, TypeOf(type), 0, id, nullptr, static_cast<WORD>(pointers.size()), 0,
                        pointers.empty() ? nullptr : pointers.data(), nullptr) != FALSE;
}

std::string EventFileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

}  // namespace tw

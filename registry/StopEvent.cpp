#include "registry/StopEvent.h"

StopEvent::StopEvent() : event_(CreateEventA(nullptr, TRUE, FALSE, kStopEventName)) {}

bool StopEvent::IsSignalled() const {
    return event_ && WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0;
}

void StopEvent::Set() const {
    if (event_) SetEvent(event_.get());
}

void StopEvent::Reset() const {
    if (event_) ResetEvent(event_.get());
}

StopMonitor::StopMonitor() : quit_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (quit_ && event_.Handle()) thread_.reset(CreateThread(nullptr, 0, &StopMonitor::Watch, this, 0, nullptr));
}

StopMonitor::~StopMonitor() {
    if (thread_) {
        SetEvent(quit_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

bool StopMonitor::StopRequested() const {
    if (!thread_) return event_.IsSignalled();  // no helper thread: test the event itself
    return stopped_.load(std::memory_order_acquire);
}

DWORD WINAPI StopMonitor::Watch(void* param) {
    auto* self = static_cast<StopMonitor*>(param);
    HANDLE handles[2] = {self->event_.Handle(), self->quit_.get()};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
        self->stopped_.store(true, std::memory_order_release);
    return 0;
}

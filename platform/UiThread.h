// A user-interface thread: it makes its windows in InitInstance and runs its own message loop
// until its main window is gone or it is asked to quit.
#pragma once

#include "platform/Handles.h"

namespace tw {

class Window;

class UiThread {
public:
    UiThread() = default;
    // Waits for a started thread to end; ask it to quit (or close its window) first.
    virtual ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Starts the thread and returns once InitInstance has run there. False when the thread could
    // not be started or InitInstance failed (the thread has then ended).
    bool Start();

    HANDLE ThreadHandle() const noexcept { return thread_.get(); }
    DWORD ThreadId() const noexcept { return id_; }

    // True when the thread has ended within the time.
    bool Wait(DWORD milliseconds) const;

    // Ends the message loop from any thread.
    void PostQuit() const;

protected:
    // On the new thread, before the loop: make the windows. False ends the thread at once.
    virtual bool InitInstance() = 0;
    // On the new thread, after the loop; the thread's exit code.
    virtual int ExitInstance() { return 0; }

    // The loop ends when this window is destroyed; dialog keys (Tab, Enter, Escape) go to it.
    void SetMainWindow(Window* window) noexcept { main_ = window; }

private:
    static DWORD WINAPI Entry(void* self);
    int Run();

    UniqueHandle thread_;
    DWORD id_ = 0;
    UniqueHandle ready_;
    bool initialised_ = false;
    Window* main_ = nullptr;
};

}  // namespace tw

// A user-interface thread: it makes its windows in InitInstance and runs its own message loop
// until its main window is gone or it is asked to quit. A request to quit is kept in an event as
// well as posted: a modal loop running on the thread (a message box, a nested dialog, a loop that
// pumps while it waits) ends on the posted WM_QUIT when it passes it on, and when it swallows it
// instead the thread still ends as soon as that loop returns.
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

    // Ends the message loop from any thread; also before the thread has reached its loop.
    void PostQuit() const;
    // True once PostQuit was called: for loops of the thread's own that wait while pumping.
    bool QuitRequested() const;

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
    UniqueHandle quit_;
    bool initialised_ = false;
    Window* main_ = nullptr;
};

// Waits for object while dispatching this thread's messages, so that a thread that owns windows
// keeps answering while it waits (for a worker, or a thread whose windows it owns). A WM_QUIT met
// on the way is posted again once the wait ends. True when object was signalled within the time.
bool WaitPumping(HANDLE object, DWORD milliseconds);

}  // namespace tw

#include "platform/UiThread.h"

#include "platform/Window.h"

namespace tw {

UiThread::~UiThread() {
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

bool UiThread::Start() {
    if (thread_) return false;
    ready_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    quit_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready_ || !quit_) return false;
    thread_.reset(CreateThread(nullptr, 0, &UiThread::Entry, this, 0, &id_));
    if (!thread_) return false;
    HANDLE waits[2] = {ready_.get(), thread_.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return initialised_;
}

bool UiThread::Wait(DWORD milliseconds) const {
    return !thread_ || WaitForSingleObject(thread_.get(), milliseconds) == WAIT_OBJECT_0;
}

void UiThread::PostQuit() const {
    if (quit_) SetEvent(quit_.get());
    if (id_) PostThreadMessageA(id_, WM_QUIT, 0, 0);
}

bool UiThread::QuitRequested() const { return quit_ && WaitForSingleObject(quit_.get(), 0) == WAIT_OBJECT_0; }

DWORD WINAPI UiThread::Entry(void* param) {
    auto* self = static_cast<UiThread*>(param);
    try {
        return static_cast<DWORD>(self->Run());
    } catch (...) {
        // No exception may leave a thread entry; the thread ends with a failure code instead.
        OutputDebugStringA("Tidewarp: an exception ended a user-interface thread\n");
        SetEvent(self->ready_.get());
        return 1;
    }
}

int UiThread::Run() {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before Start returns
    initialised_ = InitInstance();
    SetEvent(ready_.get());
    if (!initialised_) return ExitInstance();
    HANDLE quit = quit_.get();
    while (!QuitRequested()) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjectsEx(1, &quit, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (msg.message == WM_QUIT) break;
        HWND main = main_ ? main_->Handle() : nullptr;
        if (!main || !IsDialogMessageA(main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (main_ && !main_->Handle()) break;
    }
    return ExitInstance();
}

bool WaitPumping(HANDLE object, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    bool quit = false;
    int quitCode = 0;
    bool signalled = false;
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent >= milliseconds ? 0 : milliseconds - spent;
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &object, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (woke != WAIT_OBJECT_0 + 1) break;  // the time is up (or the handle is bad)
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit) PostQuitMessage(quitCode);
    return signalled;
}

}  // namespace tw

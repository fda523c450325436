// The animation area of a screen: a child window that plays an animated GIF where the screens
// once hosted a Flash player. It takes the player's commands (a movie path, play, stop, and the
// call made when a fix ends), honours each frame's delay and loops. The movie is recognised by
// its content, whatever its file is called; a missing, empty or undecodable movie leaves the area
// plainly filled, and nothing is reported.
//
// Frames are drawn once, at the window's size, when the movie is set, so playing costs one
// BitBlt per frame. Main thread only.
#pragma once

#include "platform/Handles.h"
#include "platform/Window.h"

#include <string>
#include <vector>

class GifAnimationHost : public tw::Window {
public:
    // The player's command numbers.
    enum Command { kMoviePath = 102, kPlay = 112, kStop = 113, kFixEnded = 126 };

    GifAnimationHost() = default;
    ~GifAnimationHost() override { Destroy(); }

    // A child of parent at rect (parent's client coordinates) with the given window name, style
    // (WS_CHILD is added) and child identifier. No movie yet.
    bool Create(HWND parent, const char* windowName, DWORD style, const RECT& rect, UINT id);

    // One command as the player took it; the argument is the movie path of kMoviePath. Unknown
    // commands do nothing.
    void Invoke(int command, const std::string& argument = {});

    // Loads the movie at path (stopping what played); false leaves the area empty.
    bool SetMovie(const std::string& path);
    void Play();
    void Stop();
    // Back to the first frame, playing or not (the call at the end of a fix).
    void Rewind();

    bool Playing() const { return playing_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    int CurrentFrame() const { return static_cast<int>(current_); }
    // The colour of the area where the movie draws nothing.
    void SetBackground(COLORREF colour) { background_ = colour; }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    struct Frame {
        tw::UniqueHBitmap bitmap;
        UINT delayMs;
    };

    void Paint();
    void ShowFrame(std::size_t index);

    std::vector<Frame> frames_;
    std::size_t current_ = 0;
    bool playing_ = false;
    COLORREF background_ = RGB(255, 255, 255);
};

// The movie the scan screen plays: "skin3.swf" in the current directory.
extern const char kScanMovieName[];
std::string ScanMoviePath();

// The main screen's area: "SHOCKWAVE", hidden, identifier 110, no movie; a stale "remove-top.swf"
// in the current directory is deleted once it exists.
bool CreateMainScreenAnimation(GifAnimationHost& host, HWND parent, const RECT& rect);
// The scan screen's area: "SHOCKWAVE2", visible, identifier 1009, playing ScanMoviePath().
bool CreateScanScreenAnimation(GifAnimationHost& host, HWND parent, const RECT& rect);

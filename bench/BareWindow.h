// What the benchmarks and the bare window program (bare_window.cpp) agree on: the baseline for the
// window program's start-up, answer time and result list.
#pragma once

#include <windows.h>

namespace bare {

constexpr char kTitle[] = "Bare window";
// The window program's main window (505 x 504), and its result list: the result page at (55,152),
// the list at (12,37) on it, 366 x 156.
constexpr int kWidth = 505;
constexpr int kHeight = 504;
constexpr RECT kListRect{55 + 12, 152 + 37, 55 + 12 + 366, 152 + 37 + 156};

// Posted to the bare window: fill the list with wParam rows, as one batch on the window's thread.
constexpr UINT kFillMessage = WM_APP + 1;

}  // namespace bare

// Window shape from a mask picture.
#pragma once

#include "platform/Handles.h"
#include "platform/Notifier.h"

// A region covering every pixel of bitmap whose blue, green and red bytes are not all within
// [key, key + tolerance] (each at most 255). Built from one-row runs handed to the region
// constructor 2000 at a time. An image without such pixels gives an empty region; failure gives
// none.
tw::UniqueHRgn BitmapToRegion(HBITMAP bitmap, COLORREF key, COLORREF tolerance);

// Gives window the outline of mask: pure white (255, 255, 255) is cut away. The window owns the
// region afterwards and is invalidated. Failures are told through notifier (titled with the
// program's name). A mask that leaves nothing of the window keeps it
// rectangular: an invisible window could not even be closed. Returns true when a region was set.
bool SetRegionFromMask(HWND window, HBITMAP mask, tw::Notifier& notifier);

extern const char kRegionFailedText[];  // "Unable To Set Window Region"
extern const char kNoRegionText[];

// Decoding an animated GIF into ready-to-draw frames (through GDI+).
#pragma once

#include "platform/Handles.h"

#include <string>
#include <vector>

struct GifFrame {
    tw::UniqueHBitmap bitmap;  // compatible with the screen, the target size
    UINT delayMs;
};

// True for the bytes of a GIF file ("GIF87a" or "GIF89a"), whatever the file was called.
bool LooksLikeGif(const std::string& bytes);

// Every frame of the GIF in bytes (composed as the format says), scaled to fit width by height
// with its proportions kept, centred on the background colour. Delays under 20 ms become 100 ms,
// as browsers play them. Empty when the bytes are not a GIF or cannot be decoded. Only as many
// frames as fit in kMaxGifFrameBytes (at four bytes a pixel) are kept.
std::vector<GifFrame> DecodeGifFrames(const std::string& bytes, int width, int height, COLORREF background);

const std::size_t kMaxGifFrameBytes = 64 * 1024 * 1024;

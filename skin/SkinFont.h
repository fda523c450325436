// Fonts of text and edit lines.
#pragma once

#include "platform/Handles.h"
#include "skin/SkinLine.h"

// The line's face (at most 31 characters, as the platform keeps it), weight 700 when bold and 400
// otherwise, italic, and height exactly as written (negative: characters that many pixels high);
// default character set, everything else 0.
tw::UniqueHFont MakeSkinFont(const TextLine& line);

// A new font made from another font's description; none from none.
tw::UniqueHFont CopyFont(HFONT font);

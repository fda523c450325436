#include "skin/SkinFont.h"

#include <cstring>

tw::UniqueHFont MakeSkinFont(const TextLine& line) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, line.face.c_str(), LF_FACESIZE - 1);
    lf.lfWeight = line.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = line.italic ? TRUE : FALSE;
    lf.lfHeight = line.height;
    return tw::UniqueHFont(CreateFontIndirectA(&lf));
}

tw::UniqueHFont CopyFont(HFONT font) {
    LOGFONTA lf{};
    if (!font || GetObjectA(font, sizeof lf, &lf) == 0) return {};
    return tw::UniqueHFont(CreateFontIndirectA(&lf));
}

#include "skin/GdiplusSession.h"

#include "platform/DllSearch.h"

namespace {

template <typename F>
bool Find(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

const GUID kGdiplusFrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

GdiplusSession::GdiplusSession() {
    module_ = tw::LoadSystemLibrary(L"gdiplus.dll");
    if (!module_) return;
    decltype(&Gdiplus::GdiplusStartup) startup = nullptr;
    bool found = Find(module_, "GdiplusStartup", startup) && Find(module_, "GdiplusShutdown", shutdown_) &&
                 Find(module_, "GdipLoadImageFromStream", LoadImageFromStream) &&
                 Find(module_, "GdipDisposeImage", DisposeImage) &&
                 Find(module_, "GdipGetImageWidth", GetImageWidth) &&
                 Find(module_, "GdipGetImageHeight", GetImageHeight) &&
                 Find(module_, "GdipImageGetFrameCount", ImageGetFrameCount) &&
                 Find(module_, "GdipImageSelectActiveFrame", ImageSelectActiveFrame) &&
                 Find(module_, "GdipGetPropertyItemSize", GetPropertyItemSize) &&
                 Find(module_, "GdipGetPropertyItem", GetPropertyItem) &&
                 Find(module_, "GdipCreateFromHDC", CreateFromHDC) &&
                 Find(module_, "GdipDeleteGraphics", DeleteGraphics) &&
                 Find(module_, "GdipSetInterpolationMode", SetInterpolationMode) &&
                 Find(module_, "GdipDrawImageRectI", DrawImageRectI);
    Gdiplus::GdiplusStartupInput input;
    started_ = found && startup(&token_, &input, nullptr) == Gdiplus::Ok;
}

GdiplusSession::~GdiplusSession() {
    if (started_) shutdown_(token_);
    if (module_) FreeLibrary(module_);
}

// Move-only owners for Win32 handles, all made from one template.
#pragma once

#include <windows.h>

#include <utility>

namespace tw {

// Traits: a handle type, the value that means "none", and how to close one.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle h) noexcept : h_(h) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : h_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    [[nodiscard]] Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

    // For functions that return a handle through a pointer: closes what is held first.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

    // Gives the handle up: the caller owns it now, so dropping the result would leak it.
    [[nodiscard]] Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }

    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(h_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle h_ = Traits::Invalid();
};

// Most handles mean "none" with null and have one function that closes them.
template <typename H, auto CloseFunction>
struct NullHandleTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseFunction(h); }
};

// CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE, not null.
template <auto CloseFunction>
struct InvalidValueTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseFunction(h); }
};

using UniqueHKey = UniqueResource<NullHandleTraits<HKEY, RegCloseKey>>;
using UniqueHandle = UniqueResource<NullHandleTraits<HANDLE, CloseHandle>>;
using UniqueFile = UniqueResource<InvalidValueTraits<CloseHandle>>;
using UniqueFind = UniqueResource<InvalidValueTraits<FindClose>>;
using UniqueHGlobal = UniqueResource<NullHandleTraits<HGLOBAL, GlobalFree>>;
// GDI objects (bitmaps, fonts, regions, brushes, pens) all go back through DeleteObject.
using UniqueHBitmap = UniqueResource<NullHandleTraits<HBITMAP, DeleteObject>>;
using UniqueHFont = UniqueResource<NullHandleTraits<HFONT, DeleteObject>>;
using UniqueHRgn = UniqueResource<NullHandleTraits<HRGN, DeleteObject>>;
using UniqueHBrush = UniqueResource<NullHandleTraits<HBRUSH, DeleteObject>>;
using UniqueHPen = UniqueResource<NullHandleTraits<HPEN, DeleteObject>>;
// Device contexts we create (CreateCompatibleDC); those from GetDC/BeginPaint are scoped in Gdi.h.
using UniqueHDC = UniqueResource<NullHandleTraits<HDC, DeleteDC>>;
using UniqueHMenu = UniqueResource<NullHandleTraits<HMENU, DestroyMenu>>;

// A COM interface pointer that releases on destruction.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

}  // namespace tw

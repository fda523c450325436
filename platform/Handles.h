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

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

    // For functions that return a handle through a pointer: closes what is held first.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

    Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }

    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(h_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle h_ = Traits::Invalid();
};

struct KeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { RegCloseKey(h); }
};

struct KernelTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};

// CreateFile and friends report failure as INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { FindClose(h); }
};

struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { GlobalFree(h); }
};

// GDI objects (bitmaps, fonts, regions, brushes, pens) all go back through DeleteObject.
template <typename H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DeleteObject(h); }
};

// Device contexts we create (CreateCompatibleDC); those from GetDC/BeginPaint are scoped in Gdi.h.
struct DcTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DeleteDC(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DestroyMenu(h); }
};

using UniqueHKey = UniqueResource<KeyTraits>;
using UniqueHandle = UniqueResource<KernelTraits>;
using UniqueFile = UniqueResource<FileTraits>;
using UniqueFind = UniqueResource<FindTraits>;
using UniqueHGlobal = UniqueResource<GlobalTraits>;
using UniqueHBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueHFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueHRgn = UniqueResource<GdiObjectTraits<HRGN>>;
using UniqueHBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueHPen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueHDC = UniqueResource<DcTraits>;
using UniqueHMenu = UniqueResource<MenuTraits>;

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

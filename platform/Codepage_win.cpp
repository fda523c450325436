#include "platform/Codepage.h"

#include <windows.h>

namespace tw {
namespace {

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string FromWide(const wchar_t* text, size_t length, UINT codePage) {
    if (length == 0) return {};
    int n = WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

std::string Utf16ToAnsi(const std::u16string& text) {
    return FromWide(reinterpret_cast<const wchar_t*>(text.data()), text.size(), CP_ACP);
}

bool Utf16ToAnsiExact(const std::u16string& text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
    int length = static_cast<int>(text.size());
    // No best-fit: a look-alike letter would name another file as surely as '?' does.
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0) {
        out = Utf16ToAnsi(text);
        return false;
    }
    out.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, &out[0], n, nullptr, &usedDefault);
    if (usedDefault) return false;
    // Some code pages map without reporting a default; the way back settles it.
    return AnsiToUtf16(out) == text;
}

std::u16string AnsiToUtf16(const std::string& text) {
    std::wstring w = ToWide(text, CP_ACP);
    return std::u16string(w.begin(), w.end());
}

std::string AnsiToUtf8(const std::string& text) {
    std::wstring w = ToWide(text, CP_ACP);
    return FromWide(w.data(), w.size(), CP_UTF8);
}

std::string Utf8ToAnsi(const std::string& text) {
    std::wstring w = ToWide(text, CP_UTF8);
    return FromWide(w.data(), w.size(), CP_ACP);
}

bool IsAnsiLeadByte(unsigned char b) { return IsDBCSLeadByteEx(CP_ACP, b) != FALSE; }

}  // namespace tw

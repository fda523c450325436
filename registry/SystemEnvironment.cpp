#include "registry/SystemEnvironment.h"

#include <windows.h>

#include <vector>

namespace {

// Asks twice when the first buffer is too small, so a long answer is never cut.
template <typename Call>
std::string GrowingCall(Call call, DWORD initial) {
    std::vector<char> buf(initial);
    DWORD n = call(buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) {
        buf.assign(n + 1, '\0');
        n = call(buf.data(), static_cast<DWORD>(buf.size()));
        if (n >= buf.size()) return {};
    }
    return std::string(buf.data(), n);
}

class SystemEnvironment final : public PathEnvironment {
public:
    std::string Expand(const std::string& piece) const override {
        std::vector<char> buf(256);
        DWORD n = ExpandEnvironmentStringsA(piece.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n > buf.size()) {
            buf.assign(n, '\0');
            n = ExpandEnvironmentStringsA(piece.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        }
        if (n == 0 || n > buf.size()) return piece;
        return std::string(buf.data());
    }
    std::string SystemDirectory() const override {
        return GrowingCall([](char* b, DWORD n) { return GetSystemDirectoryA(b, n); }, MAX_PATH);
    }
    std::string WindowsDirectory() const override {
        return GrowingCall([](char* b, DWORD n) { return GetWindowsDirectoryA(b, n); }, MAX_PATH);
    }
};

}  // namespace

const PathEnvironment& SystemPathEnvironment() {
    static const SystemEnvironment env;
    return env;
}

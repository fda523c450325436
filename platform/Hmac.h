// HMAC-SHA-256 and random bytes from the system's own cryptography: CNG (bcrypt.dll, Vista and
// later, loaded from the system folder when first needed), and on systems without it (XP SP3)
// CryptoAPI's AES provider, which has SHA-256 there too. The program carries no hash code of its own.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace tw {

using Sha256 = std::array<unsigned char, 32>;

// The HMAC-SHA-256 under `key` of the parts one after another. 0 or a Win32 error code
// (ERROR_NOT_SUPPORTED: the system offers neither).
DWORD HmacSha256(std::string_view key, const std::vector<std::string_view>& parts, Sha256& mac);

// The same through CryptoAPI alone, the way systems without CNG take; for tests.
DWORD HmacSha256WithCryptoApi(std::string_view key, const std::vector<std::string_view>& parts, Sha256& mac);

// Fills the buffer from the system's random number generator. 0 or a Win32 error code.
DWORD RandomBytes(void* buffer, std::size_t size);

}  // namespace tw

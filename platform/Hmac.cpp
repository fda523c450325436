#include "platform/Hmac.h"

#include "platform/DllSearch.h"
#include "platform/SystemFunction.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

// Headers for XP leave it out, though XP SP3's AES provider has it.
#ifndef CALG_SHA_256
#define CALG_SHA_256 0x0000800c
#endif

namespace tw {
namespace {

// The CNG functions used, looked up once; all null on a system without bcrypt.dll.
struct Cng {
    decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) close = nullptr;
    decltype(&BCryptGetProperty) property = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptGenRandom) random = nullptr;

    bool Usable() const {
        return open && close && property && createHash && hashData && finishHash && destroyHash && random;
    }
};

template <typename F>
void Find(HMODULE module, const char* name, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Cng& CngFunctions() {
    static const Cng cng = [] {
        Cng c;
        // Kept loaded for the life of the process.
        HMODULE m = LoadSystemLibrary(L"bcrypt.dll");
        if (!m) return c;
        Find(m, "BCryptOpenAlgorithmProvider", c.open);
        Find(m, "BCryptCloseAlgorithmProvider", c.close);
        Find(m, "BCryptGetProperty", c.property);
        Find(m, "BCryptCreateHash", c.createHash);
        Find(m, "BCryptHashData", c.hashData);
        Find(m, "BCryptFinishHash", c.finishHash);
        Find(m, "BCryptDestroyHash", c.destroyHash);
        Find(m, "BCryptGenRandom", c.random);
        return c;
    }();
    return cng;
}

// CNG answers with NTSTATUS codes; callers get the Win32 error the system maps them to.
DWORD FromStatus(NTSTATUS status) {
    if (status >= 0) return ERROR_SUCCESS;
    using ToDosError = ULONG(WINAPI*)(NTSTATUS);
    static const auto toDos = FindSystemFunction<ToDosError>("ntdll.dll", "RtlNtStatusToDosError");
    return toDos ? toDos(status) : ERROR_GEN_FAILURE;
}

// An algorithm provider of CNG, closed with it.
class CngAlgorithm {
public:
    CngAlgorithm(const Cng& cng, const wchar_t* id, ULONG flags) : cng_(cng) {
        status_ = cng.open(&handle_, id, nullptr, flags);
    }
    ~CngAlgorithm() {
        if (status_ >= 0) cng_.close(handle_, 0);
    }
    CngAlgorithm(const CngAlgorithm&) = delete;
    CngAlgorithm& operator=(const CngAlgorithm&) = delete;
    NTSTATUS Status() const { return status_; }
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

private:
    const Cng& cng_;
    BCRYPT_ALG_HANDLE handle_ = nullptr;
    NTSTATUS status_ = -1;
};

DWORD CngHmac(const Cng& cng, std::string_view key, const std::vector<std::string_view>& parts, Sha256& mac) {
    CngAlgorithm alg(cng, BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (alg.Status() < 0) return FromStatus(alg.Status());
    // Vista wants the hash object's memory from the caller.
    DWORD objectSize = 0;
    ULONG got = 0;
    NTSTATUS s = cng.property(alg.Get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                              sizeof objectSize, &got, 0);
    if (s < 0) return FromStatus(s);
    std::vector<UCHAR> object(objectSize);
    std::vector<UCHAR> secret(key.begin(), key.end());
    BCRYPT_HASH_HANDLE hash = nullptr;
    s = cng.createHash(alg.Get(), &hash, object.data(), objectSize, secret.data(), static_cast<ULONG>(secret.size()),
                       0);
    SecureZeroMemory(secret.data(), secret.size());
    if (s < 0) return FromStatus(s);
    for (std::string_view part : parts) {
        // In pieces below 4 GB each; HashData takes a ULONG length.
        for (std::size_t done = 0; s >= 0 && done < part.size();) {
            ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(part.size() - done, 1u << 30));
            s = cng.hashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(part.data() + done)), chunk, 0);
            done += chunk;
        }
    }
    if (s >= 0) s = cng.finishHash(hash, mac.data(), static_cast<ULONG>(mac.size()), 0);
    cng.destroyHash(hash);
    SecureZeroMemory(object.data(), object.size());
    return FromStatus(s);
}

// CryptoAPI: the key goes in as an HMAC key blob of the AES provider, which XP SP3 has.
class CryptProvider {
public:
    CryptProvider() {
        if (!CryptAcquireContextW(&handle_, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
            !CryptAcquireContextW(&handle_, nullptr, MS_ENH_RSA_AES_PROV_XP_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            handle_ = 0;
    }
    ~CryptProvider() {
        if (handle_) CryptReleaseContext(handle_, 0);
    }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV Get() const { return handle_; }

private:
    HCRYPTPROV handle_ = 0;
};

}  // namespace

DWORD HmacSha256WithCryptoApi(std::string_view key, const std::vector<std::string_view>& parts, Sha256& mac) {
    CryptProvider provider;
    if (!provider.Get()) return ERROR_NOT_SUPPORTED;
    struct {
        BLOBHEADER header;
        DWORD size;
    } head{{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RC2}, static_cast<DWORD>(key.size())};
    std::vector<BYTE> blob(sizeof head + key.size());
    std::memcpy(blob.data(), &head, sizeof head);
    std::memcpy(blob.data() + sizeof head, key.data(), key.size());
    HCRYPTKEY hkey = 0;
    BOOL ok = CryptImportKey(provider.Get(), blob.data(), static_cast<DWORD>(blob.size()), 0, CRYPT_IPSEC_HMAC_KEY, &hkey);
    SecureZeroMemory(blob.data(), blob.size());
    if (!ok) return GetLastError();
    HCRYPTHASH hash = 0;
    DWORD error = ERROR_SUCCESS;
    HMAC_INFO info{};
    info.HashAlgid = CALG_SHA_256;
    if (!CryptCreateHash(provider.Get(), CALG_HMAC, hkey, 0, &hash) ||
        !CryptSetHashParam(hash, HP_HMAC_INFO, reinterpret_cast<BYTE*>(&info), 0))
        error = GetLastError();
    for (std::string_view part : parts) {
        for (std::size_t done = 0; error == ERROR_SUCCESS && done < part.size();) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(part.size() - done, 1u << 30));
            if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(part.data() + done), chunk, 0)) error = GetLastError();
            done += chunk;
        }
    }
    DWORD size = static_cast<DWORD>(mac.size());
    if (error == ERROR_SUCCESS && (!CryptGetHashParam(hash, HP_HASHVAL, mac.data(), &size, 0) || size != mac.size()))
        error = GetLastError() ? GetLastError() : ERROR_INVALID_DATA;
    if (hash) CryptDestroyHash(hash);
    CryptDestroyKey(hkey);
    return error;
}

DWORD HmacSha256(std::string_view key, const std::vector<std::string_view>& parts, Sha256& mac) {
    const Cng& cng = CngFunctions();
    return cng.Usable() ? CngHmac(cng, key, parts, mac) : HmacSha256WithCryptoApi(key, parts, mac);
}

DWORD RandomBytes(void* buffer, std::size_t size) {
    const Cng& cng = CngFunctions();
    if (cng.Usable()) {
        // An explicit generator: Vista lacks the flag that names the system's preferred one.
        CngAlgorithm rng(cng, BCRYPT_RNG_ALGORITHM, 0);
        if (rng.Status() < 0) return FromStatus(rng.Status());
        return FromStatus(cng.random(rng.Get(), static_cast<PUCHAR>(buffer), static_cast<ULONG>(size), 0));
    }
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return GetLastError();
    DWORD error = CryptGenRandom(provider, static_cast<DWORD>(size), static_cast<BYTE*>(buffer)) ? 0 : GetLastError();
    CryptReleaseContext(provider, 0);
    return error;
}

}  // namespace tw

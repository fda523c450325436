#include "maintenance/BackupSignature.h"

#include "maintenance/SignatureFormat.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Hmac.h"
#include "platform/SafeFile.h"

#include <sddl.h>

#include <string_view>

namespace backup {

const char kSigningKeyPath[] = "Software\\TIDEWARP\\Signing";
const char kSigningKeyValue[] = "backupkey";

namespace {

const std::size_t kKeyBytes = 32;

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// The key as stored: REG_BINARY of exactly 32 bytes; anything else counts as none.
bool ReadKeyValue(HKEY key, std::string& secret) {
    char buf[kKeyBytes + 1];
    DWORD type = 0, size = sizeof buf;
    if (RegQueryValueExA(key, kSigningKeyValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != kKeyBytes)
        return false;
    secret.assign(buf, kKeyBytes);
    SecureZeroMemory(buf, sizeof buf);
    return true;
}

// Opens the key's registry key, or creates it readable and writable by SYSTEM and Administrators
// only, with no rights inherited from above.
LONG OpenSigningKey(bool create, HKEY* key, DWORD& disposition) {
    disposition = REG_OPENED_EXISTING_KEY;
    if (!create) return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSigningKeyPath, 0, KEY_QUERY_VALUE, key);
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)", SDDL_REVISION_1,
                                                              &sd, nullptr))
        return static_cast<LONG>(GetLastError());
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    // The settings key above keeps the rights it has or would get; only the signing key is closed.
    tw::UniqueHKey parent;
    std::string parentPath = kSigningKeyPath;
    parentPath.resize(parentPath.find_last_of('\\'));
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, parentPath.c_str(), 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr,
                              parent.put(), nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegCreateKeyExA(parent.get(), FileNameOf(kSigningKeyPath).c_str(), 0, nullptr, 0,
                             KEY_QUERY_VALUE | KEY_SET_VALUE | WRITE_DAC, &sa, key, &disposition);
    // Set again on the open key: some systems (Wine) give a new key the default rights whatever
    // it was created with, and a key made by such a system is closed the next time.
    if (rc == ERROR_SUCCESS)
        rc = RegSetKeySecurity(*key, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, sd);
    if (rc != ERROR_SUCCESS && *key) {
        RegCloseKey(*key);
        *key = nullptr;
    }
    LocalFree(sd);
    return rc;
}

// The computer's key; with `create`, made when there is none. 0 or a Win32 error
// (ERROR_FILE_NOT_FOUND: there is none).
DWORD LoadKey(bool create, std::string& secret) {
    tw::UniqueHKey key;
    DWORD disposition = 0;
    LONG rc = OpenSigningKey(create, key.put(), disposition);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    if (ReadKeyValue(key.get(), secret)) return ERROR_SUCCESS;
    if (!create) return ERROR_FILE_NOT_FOUND;
    // Another run that has just made the key writes its value in a moment: wait for it rather than
    // make a second key that would leave that run's backup unsigned.
    for (int i = 0; disposition == REG_OPENED_EXISTING_KEY && i < 10; ++i) {
        Sleep(50);
        if (ReadKeyValue(key.get(), secret)) return ERROR_SUCCESS;
    }
    std::string fresh(kKeyBytes, '\0');
    if (DWORD error = tw::RandomBytes(&fresh[0], fresh.size())) return error;
    rc = RegSetValueExA(key.get(), kSigningKeyValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(fresh.data()),
                        static_cast<DWORD>(fresh.size()));
    SecureZeroMemory(&fresh[0], fresh.size());
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    return ReadKeyValue(key.get(), secret) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

DWORD Mac(const std::string& secret, const std::string& regPath, std::string_view reg, const std::string* links,
          Digest& mac) {
    const std::string preamble = SignedPreamble(CanonicalBackupName(FileNameOf(regPath)), reg.size(), links != nullptr,
                                                links ? links->size() : 0);
    return tw::HmacSha256(secret, {preamble, reg, links ? std::string_view(*links) : std::string_view()}, mac);
}

// A signature file is one short line; more than this is not one.
bool ReadSignatureFile(const std::string& path, std::string& text, DWORD& error) {
    tw::UniqueFile file;
    error = tw::OpenOwnFile(path, GENERIC_READ, file);
    if (error != ERROR_SUCCESS) return false;
    char buf[256];
    DWORD got = 0;
    if (!ReadFile(file.get(), buf, sizeof buf, &got, nullptr)) {
        error = GetLastError();
        return false;
    }
    text.assign(buf, got);
    return true;
}

}  // namespace

DWORD SignBackup(const std::string& regPath) {
    const std::string sigPath = SignatureFileName(regPath);
    std::string secret, reg, links;
    DWORD error = LoadKey(true, secret);
    if (error == ERROR_SUCCESS && !tw::ReadWholeFile(regPath, reg)) error = GetLastError() ? GetLastError() : ERROR_READ_FAULT;
    const LinkStore store = error == ERROR_SUCCESS ? ReadLinkStore(regPath) : LinkStore();
    if (error == ERROR_SUCCESS && store.present && store.error) error = store.error;
    Digest mac{};
    if (error == ERROR_SUCCESS) error = Mac(secret, regPath, reg, store.present ? &store.raw : nullptr, mac);
    SecureZeroMemory(&secret[0], secret.size());
    if (error == ERROR_SUCCESS) error = tw::ReplaceFileContents(sigPath, FormatSignature(mac));
    if (error != ERROR_SUCCESS) tw::DeleteOwnFile(sigPath);  // a stale one would not match anyway
    return error;
}

SignatureCheck CheckSignature(const std::string& regPath, const std::string& regBytes, const LinkStore& links,
                              DWORD& error) {
    error = ERROR_SUCCESS;
    std::string text;
    if (!ReadSignatureFile(SignatureFileName(regPath), text, error)) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return SignatureCheck::Missing;
        return SignatureCheck::Failed;
    }
    Digest stored{};
    if (!ParseSignature(text, stored)) return SignatureCheck::Damaged;
    if (links.present && links.error) {
        error = links.error;
        return SignatureCheck::Failed;
    }
    std::string secret;
    error = LoadKey(false, secret);
    if (error == ERROR_FILE_NOT_FOUND) return SignatureCheck::NoKey;
    if (error != ERROR_SUCCESS) return SignatureCheck::Failed;
    Digest mac{};
    error = Mac(secret, regPath, regBytes, links.present ? &links.raw : nullptr, mac);
    SecureZeroMemory(&secret[0], secret.size());
    if (error != ERROR_SUCCESS) return SignatureCheck::Failed;
    return SameDigest(mac, stored) ? SignatureCheck::Valid : SignatureCheck::Mismatch;
}

std::string SignatureProblem(SignatureCheck check, DWORD error) {
    switch (check) {
    case SignatureCheck::Valid: return {};
    case SignatureCheck::NoKey: return "this computer has no key to check it with: Tidewarp never signed a backup here";
    case SignatureCheck::Missing: return "it has no signature file beside it";
    case SignatureCheck::Damaged: return "its signature file is damaged";
    case SignatureCheck::Mismatch:
        return "its signature does not match: the backup, the shortcut store beside it or its name changed, or it "
               "was made on another computer";
    case SignatureCheck::Failed: break;
    }
    return "its signature could not be checked (error " + std::to_string(static_cast<unsigned long>(error)) + ")";
}

}  // namespace backup

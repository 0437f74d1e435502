// The plainest program that hashes a package as a sealed launcher checks
// its staged copy: SHA-256 through CryptoAPI, the same calls, the same
// reads of 1 MiB, of the MSI and every file that the pattern matches. The
// yardstick of the sealed launcher's added time.
//
// Usage: bare_hash <folder> <msi> <pattern>
// The folder with a trailing backslash; exit code 0 when every file was hashed.
#include <windows.h>

#include "base/unique_handle.h"

#include <wincrypt.h>

#include <string>
#include <vector>

namespace {

bool Hash(HCRYPTPROV provider, const std::wstring& path, std::vector<BYTE>& buffer) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    HCRYPTHASH hash = 0;
    if (!file.IsValid() || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        return false;
    }
    bool hashed = true;
    for (DWORD read = 1; hashed && read > 0;) {
        hashed = ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                          nullptr) &&
                 CryptHashData(hash, buffer.data(), read, 0);
    }
    BYTE digest[32] = {};
    DWORD length = sizeof(digest);
    hashed = hashed && CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    CryptDestroyHash(hash);
    return hashed;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    const std::wstring folder = argv[1];
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
        return 1;
    }
    std::vector<BYTE> buffer(1 << 20);
    bool done = Hash(provider, folder + argv[2], buffer);
    WIN32_FIND_DATAW entry = {};
    const FindHandle search(FindFirstFileW((folder + argv[3]).c_str(), &entry));
    done = done && search.IsValid();
    while (done) {
        done = Hash(provider, folder + entry.cFileName, buffer);
        if (!FindNextFileW(search.Get(), &entry)) {
            break;
        }
    }
    CryptReleaseContext(provider, 0);
    return done ? 0 : 1;
}

// The seal of a sealed launcher: the staged files judged against it.
#include "staging/seal.h"

#include <wincrypt.h>

#include <cstring>

namespace {

// Names as Windows compares them, without regard to case.
bool SameName(const wchar_t* one, const wchar_t* other) {
    return CompareStringOrdinal(one, -1, other, -1, TRUE) == CSTR_EQUAL;
}

bool IsCabinet(const wchar_t* name) {
    const size_t length = wcslen(name);
    return length >= 4 && SameName(name + length - 4, L".cab");
}

const FileSeal* Find(const std::vector<FileSeal>& files, const wchar_t* name) {
    for (const FileSeal& file : files) {
        if (SameName(file.name, name)) {
            return &file;
        }
    }
    return nullptr;
}

BOOL ReleaseCryptProvider(HCRYPTPROV provider) {
    return CryptReleaseContext(provider, 0);
}

using CryptProvider = UniqueHandle<HCRYPTPROV, ReleaseCryptProvider>;
using CryptHash = UniqueHandle<HCRYPTHASH, CryptDestroyHash>;

// SHA-256 through CryptoAPI, which the launcher's import of advapi32 brings.
class Sha256 {
  public:
    Sha256() {
        CryptAcquireContextW(provider_.Receive(), nullptr, nullptr, PROV_RSA_AES,
                             CRYPT_VERIFYCONTEXT | CRYPT_SILENT);
    }

    // The file's size and digest, read from its start to its end.
    bool Seal(HANDLE file, FileSeal& seal, std::vector<unsigned char>& buffer,
              StagingProgress* progress) const {
        CryptHash hash;
        if (!provider_.IsValid() ||
            !CryptCreateHash(provider_.Get(), CALG_SHA_256, 0, 0, hash.Receive())) {
            return false;
        }
        bool sealed = SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
        seal.size = 0;
        for (DWORD read = 1; sealed && read > 0; seal.size += read) {
            sealed =
                ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
                CryptHashData(hash.Get(), buffer.data(), read, 0) &&
                (progress == nullptr || progress->Advance(read));
        }
        DWORD length = sizeof(seal.sha256);
        return sealed && CryptGetHashParam(hash.Get(), HP_HASHVAL, seal.sha256, &length, 0) &&
               length == sizeof(seal.sha256);
    }

  private:
    CryptProvider provider_;
};

} // namespace

SealVerdict JudgeStagedFiles(const std::vector<FileSeal>& sealed, const std::wstring& msiName,
                             const std::vector<FileSeal>& staged) {
    if (Find(staged, msiName.c_str()) == nullptr) {
        return SealVerdict::Incomplete;
    }
    for (const FileSeal& file : staged) {
        const FileSeal* expected = Find(sealed, file.name);
        if (expected == nullptr || expected->size != file.size ||
            std::memcmp(expected->sha256, file.sha256, sizeof(file.sha256)) != 0) {
            return SealVerdict::Changed;
        }
    }
    for (const FileSeal& file : sealed) {
        if (IsCabinet(file.name) && Find(staged, file.name) == nullptr) {
            return SealVerdict::Incomplete;
        }
    }
    return SealVerdict::Intact;
}

SealVerdict VerifyStagedFiles(const StagedFilesLock& lock, const std::wstring& msiName,
                              StagingProgress* progress) {
    const Sha256 sha256;
    std::vector<unsigned char> buffer(1 << 20);
    std::vector<FileSeal> staged;
    for (const StagedFile& file : lock.Files()) {
        FileSeal seal = {file.name.c_str(), 0, {}};
        if (!sha256.Seal(file.handle.Get(), seal, buffer, progress)) {
            return SealVerdict::Incomplete;
        }
        staged.push_back(seal);
    }
    return JudgeStagedFiles(std::vector<FileSeal>(g_sealedFiles, g_sealedFiles + g_sealedFileCount),
                            msiName, staged);
}

// The seal of a sealed launcher: the staged files judged against it.
#include "staging/seal.h"
#include "base/file_attributes.h"
#include "base/system_library.h"
#include "base/run_log.h"

#include <wincrypt.h>

#include <cstring>

namespace {

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

// CryptoAPI, looked up at run time: from Windows 7 on advapi32 only forwards
// these functions to cryptsp.dll, which is none of the system's known DLLs,
// so that an import of them would load it by the search order, from beside
// the launcher first, before the launcher's first line. The launcher loads
// it from the system folder itself; where it is missing (Vista), advapi32
// has them.
struct CryptoFunctions {
    decltype(&CryptAcquireContextW) acquireContext;
    decltype(&CryptReleaseContext) releaseContext;
    decltype(&CryptCreateHash) createHash;
    decltype(&CryptHashData) hashData;
    decltype(&CryptGetHashParam) getHashParam;
    decltype(&CryptDestroyHash) destroyHash;

    alignas(1) static constexpr char kNames[] =
        "CryptAcquireContextW\0CryptReleaseContext\0CryptCreateHash\0"
        "CryptHashData\0CryptGetHashParam\0CryptDestroyHash\0";
};

HMODULE CryptoModule() {
    const HMODULE cryptsp = LoadSystemLibrary(L"cryptsp.dll");
    return cryptsp != nullptr ? cryptsp : GetModuleHandleW(L"advapi32");
}

// SHA-256 through CryptoAPI.
class Sha256 {
  public:
    Sha256() : library_(CryptoModule), crypto_(library_.Functions()) {
        if (crypto_ != nullptr &&
            !crypto_->acquireContext(&provider_, nullptr, nullptr, PROV_RSA_AES,
                                     CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
            provider_ = 0;
        }
    }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256() {
        if (provider_ != 0) {
            crypto_->releaseContext(provider_, 0);
        }
    }

    // The file's size and digest, read from its start to its end.
    bool Seal(HANDLE file, FileSeal& seal, char* buffer, StagingProgress* progress) const {
        HCRYPTHASH hash = 0;
        if (provider_ == 0 || !crypto_->createHash(provider_, CALG_SHA_256, 0, 0, &hash)) {
            return false;
        }
        bool sealed = SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
        seal.size = 0;
        for (DWORD read = 1; sealed && read > 0; seal.size += read) {
            sealed = ReadFile(file, buffer, kCopyBufferBytes, &read, nullptr) &&
                     crypto_->hashData(hash, reinterpret_cast<const BYTE*>(buffer), read, 0) &&
                     (progress == nullptr || progress->Advance(read));
        }
        DWORD length = sizeof(seal.sha256);
        sealed = sealed && crypto_->getHashParam(hash, HP_HASHVAL, seal.sha256, &length, 0) &&
                 length == sizeof(seal.sha256);
        crypto_->destroyHash(hash);
        return sealed;
    }

  private:
    SystemLibrary<CryptoFunctions> library_;
    const CryptoFunctions* const crypto_;
    HCRYPTPROV provider_ = 0;
};

bool IsLeftOut(const std::vector<std::wstring>& leftOut, const wchar_t* name) {
    for (const std::wstring& cabinet : leftOut) {
        if (SameName(cabinet.c_str(), name)) {
            return true;
        }
    }
    return false;
}

// Whether the file is sealed, with its size and hash.
bool AsSealed(const std::vector<FileSeal>& sealed, const FileSeal& file) {
    const FileSeal* expected = Find(sealed, file.name);
    return expected != nullptr && expected->size == file.size &&
           std::memcmp(expected->sha256, file.sha256, sizeof(file.sha256)) == 0;
}

} // namespace

SealVerdict JudgeStagedFiles(const std::vector<FileSeal>& sealed, const std::wstring& msiName,
                             const std::vector<FileSeal>& staged,
                             const std::vector<std::wstring>& leftOut) {
    if (Find(staged, msiName.c_str()) == nullptr) {
        return SealVerdict::Incomplete;
    }
    for (const FileSeal& file : staged) {
        if (!AsSealed(sealed, file)) {
            return SealVerdict::Changed;
        }
    }
    for (const FileSeal& file : sealed) {
        if (IsCabinet(file.name) && Find(staged, file.name) == nullptr &&
            !IsLeftOut(leftOut, file.name)) {
            return SealVerdict::Incomplete;
        }
    }
    return SealVerdict::Intact;
}

bool IsAsSealed(HANDLE file, const wchar_t* name) {
    const Sha256 sha256;
    FileSeal seal = {name, 0, {}};
    return sha256.Seal(file, seal, CopyBuffer().get(), nullptr) &&
           AsSealed(std::vector<FileSeal>(g_sealedFiles, g_sealedFiles + g_sealedFileCount), seal);
}

SealVerdict VerifyStagedFiles(const StagedFilesLock& lock, const std::wstring& msiName,
                              const std::vector<std::wstring>& leftOut, StagingProgress* progress) {
    const Sha256 sha256;
    const std::unique_ptr<char[]> buffer = CopyBuffer();
    const std::vector<FileSeal> sealed(g_sealedFiles, g_sealedFiles + g_sealedFileCount);
    std::vector<FileSeal> staged(lock.Files().size());
    for (size_t file = 0; file < staged.size(); ++file) {
        FileSeal& seal = staged[file];
        seal.name = lock.Files()[file].name.c_str();
        if (!sha256.Seal(lock.Files()[file].handle.Get(), seal, buffer.get(), progress)) {
            return SealVerdict::Incomplete;
        }
        LogLine(AsSealed(sealed, seal) ? "as sealed: " : "not as sealed: ", seal.name);
    }
    for (const FileSeal& file : sealed) {
        if (IsCabinet(file.name) && Find(staged, file.name) == nullptr) {
            LogLine(IsLeftOut(leftOut, file.name) ? "sealed, left out: " : "sealed, not staged: ",
                    file.name);
        }
    }
    return JudgeStagedFiles(sealed, msiName, staged, leftOut);
}

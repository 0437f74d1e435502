#include "storage_file.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

namespace {

// The class id that marks a storage as a Windows Installer transform.
const CLSID kTransformClass = {
    0x000C1082, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

template <typename T> class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    T** Out() {
        return &pointer_;
    }
    T* operator->() const {
        return pointer_;
    }

  private:
    T* pointer_ = nullptr;
};

Failure FailedHr(const std::string& what, HRESULT result) {
    char code[16];
    snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(result));
    return Failure{what + " failed with " + code};
}

} // namespace

Result<unsigned> ReadPackageCodepage(const std::wstring& msiPath) {
    const Result<std::wstring> poolName = TableStreamName(L"_StringPool");
    if (!poolName) {
        return Failure{poolName.Error()};
    }
    Com<IStorage> storage;
    HRESULT result = StgOpenStorage(msiPath.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                    nullptr, 0, storage.Out());
    if (FAILED(result)) {
        return FailedHr("opening the package as a compound file", result);
    }
    Com<IStream> pool;
    result = storage->OpenStream(poolName->c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                 pool.Out());
    if (FAILED(result)) {
        return FailedHr("opening the package's string pool", result);
    }
    std::string header(4, '\0');
    ULONG read = 0;
    result = pool->Read(&header[0], static_cast<ULONG>(header.size()), &read);
    if (FAILED(result)) {
        return FailedHr("reading the package's string pool", result);
    }
    header.resize(read);
    return PoolCodepage(header);
}

Result<void> WriteTransformFile(const std::wstring& path,
                                const std::vector<TransformStream>& streams) {
    Com<IStorage> storage;
    HRESULT result = StgCreateDocfile(
        path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.Out());
    if (FAILED(result)) {
        return FailedHr("creating the transform file", result);
    }
    result = storage->SetClass(kTransformClass);
    if (FAILED(result)) {
        return FailedHr("marking the transform", result);
    }
    for (const TransformStream& stream : streams) {
        Com<IStream> out;
        result = storage->CreateStream(
            stream.name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, out.Out());
        if (FAILED(result)) {
            return FailedHr("creating a transform stream", result);
        }
        ULONG written = 0;
        result = out->Write(stream.bytes.data(), static_cast<ULONG>(stream.bytes.size()), &written);
        if (FAILED(result)) {
            return FailedHr("writing a transform stream", result);
        }
        if (written != stream.bytes.size()) {
            return Failure{"a transform stream was written short"};
        }
    }
    result = storage->Commit(STGC_DEFAULT);
    if (FAILED(result)) {
        return FailedHr("committing the transform file", result);
    }
    return {};
}

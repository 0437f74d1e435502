// Owners of Windows handles, one type per kind, each released once.
#pragma once

#include <windows.h>

// Owns one handle and releases it once with Close, so that an early return
// can never skip a FindClose, RegCloseKey or CloseHandle. Handles that
// CreateFileW and FindFirstFileW return are empty as INVALID_HANDLE_VALUE
// (EmptyIsInvalid), all others as null or 0.
template <typename Handle, auto Close, bool EmptyIsInvalid = false> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = Empty();
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = Empty();
        }
        return *this;
    }
    ~UniqueHandle() {
        Reset();
    }

    bool IsValid() const {
        return handle_ != Empty();
    }
    Handle Get() const {
        return handle_;
    }
    // For the calls that hand a new handle back through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }
    // Hands the handle over to a new owner, which will release it.
    Handle Release() {
        const Handle handle = handle_;
        handle_ = Empty();
        return handle;
    }
    void Reset() {
        if (IsValid()) {
            Close(handle_);
            handle_ = Empty();
        }
    }

  private:
    static Handle Empty() {
        if constexpr (EmptyIsInvalid) {
            return INVALID_HANDLE_VALUE;
        } else {
            return Handle();
        }
    }

    Handle handle_ = Empty();
};

using FindHandle = UniqueHandle<HANDLE, FindClose, true>;
using FileHandle = UniqueHandle<HANDLE, CloseHandle, true>;
// Process and thread handles.
using KernelHandle = UniqueHandle<HANDLE, CloseHandle>;
using RegistryKey = UniqueHandle<HKEY, RegCloseKey>;
// Memory that the system allocated for the caller with LocalAlloc.
using LocalMemory = UniqueHandle<HLOCAL, LocalFree>;
// An icon that LoadImageW made for the caller (not a shared one).
using IconHandle = UniqueHandle<HICON, DestroyIcon>;

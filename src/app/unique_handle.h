#pragma once

#include <windows.h>

// Owns one handle and releases it once, as its kind requires: Traits names
// the empty value (NULL or INVALID_HANDLE_VALUE) and the release call, so that
// an early return can never skip a FindClose, RegCloseKey or CloseHandle.
template <typename Traits> class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = Traits::Empty();
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = Traits::Empty();
        }
        return *this;
    }
    ~UniqueHandle() {
        Reset();
    }

    bool IsValid() const {
        return handle_ != Traits::Empty();
    }
    Handle Get() const {
        return handle_;
    }
    // For the calls that hand a new handle back through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }
    void Reset() {
        if (IsValid()) {
            Traits::Close(handle_);
            handle_ = Traits::Empty();
        }
    }

  private:
    Handle handle_ = Traits::Empty();
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() {
        return INVALID_HANDLE_VALUE;
    }
    static void Close(Handle handle) {
        FindClose(handle);
    }
};

// What CreateFileW returns.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() {
        return INVALID_HANDLE_VALUE;
    }
    static void Close(Handle handle) {
        CloseHandle(handle);
    }
};

// Process and thread handles.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() {
        return nullptr;
    }
    static void Close(Handle handle) {
        CloseHandle(handle);
    }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Empty() {
        return nullptr;
    }
    static void Close(Handle handle) {
        RegCloseKey(handle);
    }
};

// Memory that the system allocated for the caller with LocalAlloc.
struct LocalMemoryTraits {
    using Handle = void*;
    static Handle Empty() {
        return nullptr;
    }
    static void Close(Handle memory) {
        LocalFree(memory);
    }
};

using FindHandle = UniqueHandle<FindHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

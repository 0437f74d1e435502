// The owner of a Windows Installer handle.
#pragma once

#include <windows.h>

#include <msi.h>

// An MSIHANDLE, closed once when its owner goes, with the close function it
// was made with: msi.dll's import in the tools that link msi.dll, and the
// function looked up at run time in the launcher, which loads msi.dll only
// when it reads a package.
class MsiHandle {
  public:
    using CloseFunction = UINT(WINAPI*)(MSIHANDLE);

    explicit MsiHandle(CloseFunction close) : close_(close) {}
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MsiHandle(MsiHandle&& other) noexcept : handle_(other.handle_), close_(other.close_) {
        other.handle_ = 0;
    }
    MsiHandle& operator=(MsiHandle&& other) noexcept {
        if (this != &other) {
            *Receive() = other.handle_;
            close_ = other.close_;
            other.handle_ = 0;
        }
        return *this;
    }
    ~MsiHandle() {
        Receive();
    }

    MSIHANDLE Get() const {
        return handle_;
    }
    // For a call that hands out a handle; the one held before is closed.
    MSIHANDLE* Receive() {
        if (handle_ != 0) {
            close_(handle_);
            handle_ = 0;
        }
        return &handle_;
    }

  private:
    MSIHANDLE handle_ = 0;
    CloseFunction close_;
};

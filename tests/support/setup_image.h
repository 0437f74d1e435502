// The built Setup.exe read back: its file, its resources and the fields in them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The Setup.exe that the tests read back: the program's argument setup=.
std::wstring SetupExePath();

// Setup.exe mapped as a data file, loaded once; null when it cannot be loaded.
HMODULE SetupModule();

// The bytes of one resource in language 1033; empty when there is none.
std::vector<BYTE> ResourceBytes(LPCWSTR type, LPCWSTR name);

// The whole file as stored on disk.
std::vector<BYTE> SetupFileBytes();

// Reads little-endian fields from a byte block. Reading past the end yields
// zeros and clears ok(), so that a truncated structure fails the test instead
// of the test program.
class ByteReader {
  public:
    ByteReader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<BYTE>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    BYTE Byte();
    WORD Word();
    DWORD Dword();
    // A null-terminated UTF-16 string.
    std::wstring String();
    // Moves on to the next multiple of four, counted from the start of the block.
    void AlignToDword();
    void Seek(size_t position);

    size_t Position() const {
        return pos_;
    }
    size_t Remaining() const {
        return pos_ <= size_ ? size_ - pos_ : 0;
    }
    bool ok() const {
        return ok_;
    }

  private:
    bool Take(void* out, size_t count);

    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

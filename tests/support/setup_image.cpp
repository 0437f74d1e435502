// The built Setup.exe read back: its file, its resources and the fields in them.
#include "setup_image.h"
#include "test_main.h"

#include "base/unique_handle.h"

#include <cstring>
#include <cwchar>

std::wstring SetupExePath() {
    return TestPath(L"setup");
}

HMODULE SetupModule() {
    static const UniqueHandle<HMODULE, FreeLibrary> file(
        LoadLibraryExW(SetupExePath().c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    return file.Get();
}

std::vector<BYTE> ResourceBytes(LPCWSTR type, LPCWSTR name) {
    HMODULE module = SetupModule();
    HRSRC info = FindResourceExW(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (info == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, info);
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    if (data == nullptr) {
        return {};
    }
    return std::vector<BYTE>(data, data + SizeofResource(module, info));
}

std::vector<BYTE> SetupFileBytes() {
    FileHandle file(CreateFileW(SetupExePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return {};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024) {
        return {};
    }
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return {};
    }
    return bytes;
}

bool ByteReader::Take(void* out, size_t count) {
    if (!ok_ || Remaining() < count) {
        ok_ = false;
        std::memset(out, 0, count);
        return false;
    }
    std::memcpy(out, data_ + pos_, count);
    pos_ += count;
    return true;
}

BYTE ByteReader::Byte() {
    BYTE value;
    Take(&value, sizeof value);
    return value;
}

WORD ByteReader::Word() {
    BYTE bytes[2];
    Take(bytes, sizeof bytes);
    return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

DWORD ByteReader::Dword() {
    DWORD low = Word();
    DWORD high = Word();
    return low | high << 16;
}

std::wstring ByteReader::String() {
    std::wstring text;
    for (;;) {
        WORD c = Word();
        if (!ok_ || c == 0) {
            return text;
        }
        text.push_back(static_cast<wchar_t>(c));
    }
}

void ByteReader::AlignToDword() {
    Seek((pos_ + 3) & ~static_cast<size_t>(3));
}

void ByteReader::Seek(size_t position) {
    if (position > size_) {
        ok_ = false;
        pos_ = size_;
        return;
    }
    pos_ = position;
}

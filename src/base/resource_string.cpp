// Texts of the executable's string table.
#include "base/resource_string.h"

std::wstring LoadResourceString(HINSTANCE module, int id) {
    if (module == nullptr) {
        return std::wstring();
    }
    wchar_t buffer[100] = {};
    if (LoadStringW(module, static_cast<UINT>(id), buffer, 100) == 0) {
        return std::wstring();
    }
    return std::wstring(buffer);
}

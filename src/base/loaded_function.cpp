// Functions looked up by name at run time rather than imported.
#include "base/loaded_function.h"
#include "base/grown_text.h"

#include <cstring>
#include <string>

bool LoadFunctions(HMODULE module, const FunctionSlot* slots, size_t count) {
    for (size_t slot = 0; slot < count; ++slot) {
        const FARPROC function =
            module != nullptr ? GetProcAddress(module, slots[slot].name) : nullptr;
        if (function == nullptr) {
            return false;
        }
        // Every function pointer has the same representation on Windows.
        std::memcpy(slots[slot].function, &function, sizeof(function));
    }
    return true;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // A Windows without the update that brought that search: the full path,
    // from whose folder the DLL's own imports are searched first.
    std::wstring folder;
    if (!ReadSystemDirectory(folder)) {
        return nullptr;
    }
    return LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

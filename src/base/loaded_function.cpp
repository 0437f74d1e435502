// Functions looked up by name at run time rather than imported.
#include "base/loaded_function.h"

#include <cstring>

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
    // A loader without that search never gets this far: the launcher ends
    // at start there.
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Functions looked up by name at run time rather than imported.
#include "base/system_library.h"

#include <cstring>

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // A loader without that search never gets this far: the launcher ends
    // at start there.
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool LoadFunctionTable(HMODULE module, const char* names, size_t count, void* table) {
    for (size_t slot = 0; slot < count; ++slot) {
        const FARPROC function = module != nullptr ? GetProcAddress(module, names) : nullptr;
        if (function == nullptr) {
            return false;
        }
        // Every function pointer has the same representation on Windows.
        std::memcpy(static_cast<char*>(table) + slot * sizeof(function), &function,
                    sizeof(function));
        // On to the next name; strlen would be the launcher's one import of it.
        while (*names++ != '\0') {
        }
    }
    return true;
}

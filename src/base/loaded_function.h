// Functions looked up by name at run time rather than imported.
#pragma once

#include <windows.h>

// A function of a DLL that the process has loaded already, looked up by name
// when it is needed rather than imported: for functions that some Windows
// lacks, or whose import would load another DLL at start. Null when the DLL
// or the function is missing.
template <typename Function> Function LoadedFunction(const wchar_t* module, const char* name) {
    const HMODULE loaded = GetModuleHandleW(module);
    if (loaded == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

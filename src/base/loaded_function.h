// Functions looked up by name at run time rather than imported.
#pragma once

#include <windows.h>

// A function of a loaded DLL, looked up by name; null when either is missing.
template <typename Function> Function ModuleFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A function of a DLL that the process has loaded already, looked up by name
// when it is needed rather than imported: for functions that some Windows
// lacks, or whose import would load another DLL at start. Null when the DLL
// or the function is missing.
template <typename Function> Function LoadedFunction(const wchar_t* module, const char* name) {
    return ModuleFunction<Function>(GetModuleHandleW(module), name);
}

// One function for LoadFunctions: its name, and the function pointer (of
// the function's own type) that it goes to.
struct FunctionSlot {
    const char* name;
    void* function;
};

// Looks up the function of every slot in module; false when the module or
// any of them is missing.
bool LoadFunctions(HMODULE module, const FunctionSlot* slots, size_t count);

// A DLL of the system folder, loaded from there and nowhere else (never from
// beside the launcher), with what it needs in turn; null where it is missing.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Functions looked up by name at run time rather than imported.
#pragma once

#include <windows.h>

#include <cstddef>

// A function of a DLL that the process has loaded already, looked up by name
// when it is needed rather than imported: for functions that some Windows
// lacks, or whose import would load another DLL at start. Null when the DLL
// or the function is missing.
template <typename Function> Function LoadedFunction(const wchar_t* module, const char* name) {
    const HMODULE loaded = GetModuleHandleW(module);
    return loaded == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

// A DLL of the system folder, loaded from there and nowhere else (never from
// beside the launcher), with what it needs in turn; null where it is missing.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Looks up count functions of module into table, a struct of as many
// function pointers, by names: their names one after the other, each ended
// by a null, in the order of the table; false when the module or any of
// them is missing.
bool LoadFunctionTable(HMODULE module, const char* names, size_t count, void* table);

// How many names a list of LoadFunctionTable's holds.
constexpr size_t NameCount(const char* names) {
    size_t count = 0;
    while (*names != '\0') {
        ++count;
        while (*names++ != '\0') {
        }
    }
    return count;
}

// A DLL's functions that the launcher calls, looked up when they are first
// needed rather than imported. Table is a struct of function pointers only,
// each declared as decltype(&Function) of the Windows headers, so that the
// signatures are Windows' own, and of kNames, their names as
// LoadFunctionTable takes them, in the order of the pointers (alignas(1):
// a name list needs no padding before it). The DLL stays
// loaded for the rest of the process: loading it again would cost its start
// again.
template <typename Table> class SystemLibrary {
  public:
    // load: loads the DLL (LoadSystemLibrary, for one of the system folder),
    // at the first call of Functions.
    explicit SystemLibrary(HMODULE (*load)()) : load_(load) {}

    // The functions, loaded at the first call; null when the DLL or one of
    // them is missing.
    const Table* Functions() {
        if (load_ != nullptr) {
            loaded_ = LoadFunctionTable(load_(), Table::kNames, kCount, &table_);
            load_ = nullptr;
        }
        return loaded_ ? &table_ : nullptr;
    }

  private:
    static constexpr size_t kCount = sizeof(Table) / sizeof(FARPROC);
    static_assert(NameCount(Table::kNames) == kCount && sizeof(Table) % sizeof(FARPROC) == 0,
                  "a name for every function of the table");

    HMODULE (*load_)();
    Table table_ = {};
    bool loaded_ = false;
};

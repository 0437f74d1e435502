// The image's load configuration: the DLLs its imports need load from the system folder.
#include <windows.h>

// From Windows 10 version 1607 on, the loader resolves the image's imports
// as LoadLibraryExW would with these flags, from the system folder alone. The
// imports are chosen so that none needs it (each is one that its DLL
// implements or forwards to a known DLL); this holds where that is
// mistaken. The linker points the image's load
// configuration directory at this symbol; MSVC's linker writes the same with
// /DEPENDENTLOADFLAG:0x800, and its runtime defines the symbol itself.
#if defined(__MINGW32__)
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = {
    sizeof(IMAGE_LOAD_CONFIG_DIRECTORY32),
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // DependentLoadFlags, which MinGW-w64's headers still call Reserved1.
    LOAD_LIBRARY_SEARCH_SYSTEM32,
    0,
    0,
    0,
    0,
};
#endif

// The image's load configuration: the DLLs its imports need load from the system folder.
#include <windows.h>

// On Windows 10 and later the loader resolves the image's imports, and the
// DLLs they are forwarded to, as LoadLibraryExW would with these flags: an
// import that advapi32 forwards to a DLL outside the known DLLs then never
// comes from beside the launcher. The linker points the image's load
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

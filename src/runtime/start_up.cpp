// The parts of MinGW-w64's start-up runtime that the launcher has no use for, made small.
#include "runtime/runtime_failure.h"

#include <windows.h>

// The start-up code calls each of these; the runtime's own versions would
// bring code, texts and imports into the image for what the launcher never
// does. Each stands in under the name that the start-up code calls.
#if defined(__MINGW32__)

// The pseudo-relocations that the linker makes for data imported from a DLL
// without dllimport: the launcher imports no data, so its list is empty.
// Should it ever hold an entry, the launcher ends at once.
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST__[];
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST_END__[];

extern "C" void _pei386_runtime_relocator() {
    if (&__RUNTIME_PSEUDO_RELOC_LIST__[0] != &__RUNTIME_PSEUDO_RELOC_LIST_END__[0]) {
        EndProcessOnRuntimeFailure();
    }
}

// The report of a floating-point error of the C library's mathematics, which
// the launcher does not use; 0 leaves it to the library.
struct _exception;
extern "C" int _matherr(_exception*) {
    return 0;
}

// The destructors of thread-local keys that a thread library registers: the
// launcher has no threads of its own and registers none.
extern "C" BOOL __mingw_TLScallback(HANDLE, DWORD, LPVOID) {
    return TRUE;
}

// The filter for exceptions that nothing handled, which would turn them into
// C signals: the launcher raises none and installs no signal handler, so the
// system's own handling follows, as for any program.
extern "C" LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}
// Where the start-up code keeps the filter that was there before.
extern "C" {
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = nullptr;
}

#endif

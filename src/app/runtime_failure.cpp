#include "app/runtime_failure.h"

#include <windows.h>

extern "C" [[noreturn]] void EndProcessOnRuntimeFailure() {
    TerminateProcess(GetCurrentProcess(), 3);
    ExitProcess(3);
}

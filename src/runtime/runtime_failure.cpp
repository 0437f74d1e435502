// The end of the process for a failure that the launcher cannot recover from.
#include "runtime/runtime_failure.h"

#include <windows.h>

extern "C" [[noreturn]] void EndProcessOnRuntimeFailure() {
    TerminateProcess(GetCurrentProcess(), 3);
    ExitProcess(3);
}

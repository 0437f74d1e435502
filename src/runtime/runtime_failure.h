// The end of the process for a failure that the launcher cannot recover from.
#pragma once

// Ends the process at once with code 3, the code that abort() gives, and
// without abort()'s message box, which would wait where nobody sees it: for
// what the launcher cannot recover from, an allocation that fails or an
// exception of the C++ runtime that nothing catches.
extern "C" [[noreturn]] void EndProcessOnRuntimeFailure();

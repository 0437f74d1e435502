// The error channel of the staging operations.
#include "staging/last_error.h"

DWORD g_lastError = 0;

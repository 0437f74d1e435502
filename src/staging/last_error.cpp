// The error channel of the staging operations.
#include "staging/staging.h"

DWORD g_lastError = 0;

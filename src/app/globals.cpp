#include "app/globals.h"

HINSTANCE g_hInstance = nullptr;

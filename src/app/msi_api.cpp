// Windows Installer's functions, from msi.dll of the system folder.
#include "app/msi_api.h"

MsiLibrary::MsiLibrary() : SystemLibrary([]() { return LoadSystemLibrary(L"msi.dll"); }) {}

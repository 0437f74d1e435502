// Windows Installer's functions, from msi.dll of the system folder.
#include "msi/library.h"

MsiLibrary::MsiLibrary() : SystemLibrary([]() { return LoadSystemLibrary(L"msi.dll"); }) {}

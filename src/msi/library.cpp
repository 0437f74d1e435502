// Windows Installer's functions, from msi.dll of the system folder.
#include "msi/library.h"
#include "base/run_log.h"

MsiLibrary::MsiLibrary()
    : SystemLibrary([]() {
          // Runs that need nothing of Windows Installer's do without it.
          LogLine("msi.dll loaded");
          return LoadSystemLibrary(L"msi.dll");
      }) {}

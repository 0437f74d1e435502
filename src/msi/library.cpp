// Windows Installer's functions, from msi.dll of the system folder.
#include "msi/library.h"
#include "base/run_log.h"

MsiLibrary::MsiLibrary() : SystemLibrary([]() { return LoadSystemLibrary(L"msi.dll"); }) {}

void MsiLibrary::LoadMeanwhile() {
    // Its thread logs nothing: the log is the run's thread's.
    LogLine(SystemLibrary::LoadMeanwhile() ? "msi.dll: loading meanwhile" : "msi.dll: no thread");
}

const MsiFunctions* MsiLibrary::Functions() {
    const MsiFunctions* const functions = SystemLibrary::Functions();
    if (!told_) {
        told_ = true;
        LogLine(functions != nullptr ? "msi.dll: loaded" : "msi.dll: not loaded");
    }
    return functions;
}

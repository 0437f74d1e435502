// The msiexec.exe command for the staged package, and its start.
#pragma once

#include "app/command_line.h"
#include "app/installer_action.h"
#include "msi/product_update.h"

#include <windows.h>

#include <string>

// The msiexec.exe command for the staged package, by the action of the
// arguments (ChooseAction's; not a refused one): "/i" and the package for an
// install, "/x" for a removal, or the image's, repair's or advertisement's
// switch as typed; then the transform of an install or a removal, and the
// launcher's remaining arguments passed on exactly as typed (the action's
// switches taken out with their quotes, the blanks around them kept), and
// last, for a non-empty installerLog, " /l*v" with its path, unless the
// arguments leave a quote open: the switch would become part of their last
// argument. A minor update adds " REINSTALL=ALL REINSTALLMODE=vomus" after
// the arguments (not inside an open quote either); a removal by product
// names productCode instead of the package, without the transform, which
// is the package's.
std::wstring ComposeMsiexecCommandLine(const LauncherArguments& arguments,
                                       const CommandAction& action, const std::wstring& msiPath,
                                       const std::wstring& transform,
                                       const std::wstring& installerLog = std::wstring(),
                                       UpdateCase update = UpdateCase::AsIs,
                                       const std::wstring& productCode = std::wstring());

// Whether an argument sets REINSTALL or REINSTALLMODE, in any case, as
// msiexec.exe reads property names.
bool SetsReinstall(const LauncherArguments& arguments);

// Whether an argument is a log switch of msiexec.exe's: the administrator's
// own log then stays the only one.
bool NamesInstallerLog(const LauncherArguments& arguments);

enum class InstallerRun {
    NotStarted,
    Ended,      // with its exit code
    EndUnknown, // started, but the wait for its end failed: it may still run
};

// Starts the command (ComposeMsiexecCommandLine's) with the system's own msiexec.exe, which
// inherits no handle of the launcher's, and waits for it to end; its exit code, whatever it is,
// goes to exitCode.
InstallerRun LaunchMsiexec(const std::wstring& command, DWORD& exitCode);

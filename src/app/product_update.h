// What a medium does where the same product is installed from another package.
#pragma once

#include "app/command_line.h"
#include "app/msi_api.h"

#include <string>

// The staged MSI's identity; empty fields where it cannot be read. GUIDs
// and versions are short: fixed fields keep the launcher small.
struct PackageFacts {
    wchar_t productCode[40];
    wchar_t version[32];
    wchar_t packageCode[40];
};

// The product as one installation context has it registered.
struct InstalledFacts {
    int context; // MSIINSTALLCONTEXT
    wchar_t version[32];
    wchar_t packageCode[40];
};

// The contexts a product may be registered in: the machine's, the user's
// unmanaged and managed.
constexpr int kInstallContexts = 3;

enum class UpdateCase {
    AsIs,            // the installer's command as it always is
    MinorUpdate,     // an older or equal version of another package: updated in place
    NewerInstalled,  // a newer version is installed: nothing is started
    RemoveByProduct, // an uninstall of a product installed from another package
};

// Where the command as it always is would fail because the product is
// installed from another package (Windows Installer refuses it with 1638),
// what to do instead. Nothing changes where nothing is installed, the same
// package is, the staged package cannot be read, or the arguments set
// REINSTALL or REINSTALLMODE themselves.
UpdateCase ChooseUpdateCase(const PackageFacts& staged, const InstalledFacts* installed,
                            int installedCount, bool uninstall, bool argumentsSetReinstall);

// Whether version (up to four dotted numbers) is above other.
bool IsHigherVersion(const wchar_t* version, const wchar_t* other);

// Whether an argument sets REINSTALL or REINSTALLMODE, in any case, as
// msiexec.exe reads property names.
bool SetsReinstall(const LauncherArguments& arguments);

// The staged MSI's product code, version and package code, read without
// running it.
void ReadPackageFacts(MsiLibrary& msi, const std::wstring& msiPath, PackageFacts& facts);

// Where and how the product is installed, in every context: how many of
// installed are filled.
int ReadInstalledFacts(MsiLibrary& msi, const wchar_t* productCode,
                       InstalledFacts (&installed)[kInstallContexts]);

// What the log says of the case.
const char* UpdateCaseText(UpdateCase update);

// What a medium does where the same product is installed from another package.
#pragma once

#include "msi/installed_product.h"
#include "msi/library.h"
#include "msi/package_facts.h"

#include <string>

enum class UpdateCase {
    AsIs,            // the installer's command as it always is
    MinorUpdate,     // an older or equal version of another package: updated in place
    NewerInstalled,  // a newer version is installed: nothing is started
    RemoveByProduct, // a removal of a product installed from another package
};

// What the update decision reads: the staged package's identity and the
// product as each context has it installed.
struct ProductFacts {
    PackageFacts staged = {};
    InstalledFacts installed[kInstallContexts] = {};
    int installedCount = 0;
    // Whether every read succeeded: a read that failed decides nothing.
    bool read = false;
};

// Reads the staged MSI at msiPath and what is installed of its product.
void ReadProductFacts(MsiLibrary& msi, const std::wstring& msiPath, ProductFacts& facts);

// Where the command as it always is would fail because the product is
// installed from another package (Windows Installer refuses it with 1638),
// what to do instead. Nothing changes where nothing is installed, the same
// package is, a read failed, or the arguments set REINSTALL or
// REINSTALLMODE themselves.
UpdateCase ChooseUpdateCase(const ProductFacts& facts, bool removal, bool argumentsSetReinstall);

// Whether version (up to four dotted numbers) is above other.
bool IsHigherVersion(const wchar_t* version, const wchar_t* other);

// What the log says of the case.
const char* UpdateCaseText(UpdateCase update);

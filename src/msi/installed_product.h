// An installed product's facts, as Windows Installer has it registered.
#pragma once

#include "msi/library.h"

// The product as one installation context has it registered.
struct InstalledFacts {
    int context; // MSIINSTALLCONTEXT
    wchar_t version[32];
    wchar_t packageCode[40];
};

// The contexts a product may be registered in: the machine's, the user's
// unmanaged and managed.
constexpr int kInstallContexts = 3;

// Where and how the product is installed, in every context: how many of
// installed are filled. read turns false, with the error logged, where a
// context's registration could not be read (a product that is not
// registered there is no failure).
int ReadInstalledFacts(MsiLibrary& msi, const wchar_t* productCode,
                       InstalledFacts (&installed)[kInstallContexts], bool& read);

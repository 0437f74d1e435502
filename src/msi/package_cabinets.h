// The cabinets that a package's Media table names.
#pragma once

#include "msi/library.h"

#include <string>
#include <vector>

// The cabinets an MSI's Media table names ("#" and a name: a stream inside
// the MSI, no file), or that it could not be read (then nothing is known of
// it).
struct PackageCabinets {
    bool readable = false;
    std::vector<std::wstring> cabinets;
};

// The cabinets that the Media table of the MSI at msiPath names, read
// without running it.
PackageCabinets ReadPackageCabinets(MsiLibrary& msi, const std::wstring& msiPath);

// A package's identity: its product code, version and package code.
#pragma once

#include "msi/library.h"

#include <string>

// The staged MSI's identity. GUIDs and versions are short: fixed fields keep
// the launcher small.
struct PackageFacts {
    wchar_t productCode[40];
    wchar_t version[32];
    wchar_t packageCode[40];
};

// The MSI's product code, version and package code, read without running
// it; false, with the read that failed and its error logged, when any of
// them could not be read.
bool ReadPackageFacts(MsiLibrary& msi, const std::wstring& msiPath, PackageFacts& facts);

// The seal of a sealed launcher: the staged files judged against it.
#pragma once

#include "staging/copy.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// A file of the package as the launcher was built with it (sealed) or as it
// was staged.
struct FileSeal {
    const wchar_t* name;
    unsigned long long size;
    unsigned char sha256[32];
};

// The package that a sealed launcher runs, compiled in (cmake/seal-package.cmake
// writes it from SETUP_SEAL_PACKAGE); an unsealed launcher runs any.
extern const bool g_packageSealed;
extern const FileSeal g_sealedFiles[];
extern const size_t g_sealedFileCount;

enum class SealVerdict {
    Intact,
    Changed,    // a staged file is not sealed, or not as sealed
    Incomplete, // a sealed cabinet was not staged: the medium lacks it
};

// Judges what was staged (the MSI msiName and the cabinets) against the
// sealed files: each staged file must be sealed with its size and SHA-256,
// and every sealed cabinet staged but those the run left out as another
// package's. A change outweighs a missing cabinet.
SealVerdict JudgeStagedFiles(const std::vector<FileSeal>& sealed, const std::wstring& msiName,
                             const std::vector<FileSeal>& staged,
                             const std::vector<std::wstring>& leftOut = {});

// Whether the file, read through file from its start, is name as sealed, with
// its size and SHA-256: for a sealed launcher, which lets nothing read a
// package file that is not.
bool IsAsSealed(HANDLE file, const wchar_t* name);

// JudgeStagedFiles for the compiled-in seal, on the staged files read
// through the handles that lock them, so that what is judged is what the
// installer will read. Incomplete, too, when a staged file cannot be read or
// the progress stops the reading.
SealVerdict VerifyStagedFiles(const StagedFilesLock& lock, const std::wstring& msiName,
                              const std::vector<std::wstring>& leftOut,
                              StagingProgress* progress = nullptr);

// The cabinets a run stages beside its MSI.
#pragma once

#include "app/msi_api.h"
#include "staging/cabinet_choice.h"

#include <string>
#include <vector>

// The cabinets that the Media table of the MSI at msiPath names, read
// without running it.
PackageCabinets ReadPackageCabinets(MsiLibrary& msi, const std::wstring& msiPath);

// The cabinets of sourceFolder to stage beside msiName (staged already in
// stagingFolder): every "*.cab"; or, in a build that stages only what the
// package may read, those that ChooseCabinets keeps, each logged with its
// reason, and the others in leftOut. False, with g_lastError, when
// sourceFolder has no cabinet.
bool CabinetsToStage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, MsiLibrary& msi,
                     std::vector<std::wstring>& cabinets, std::vector<std::wstring>& leftOut);

// Which cabinets of the medium a run stages when it stages only what its package may read.
#pragma once

#include "msi/library.h"
#include "msi/package_cabinets.h"
#include "staging/copy.h"

#include <string>
#include <vector>

enum class CabinetReason {
    NamedByChosen,    // staged: the chosen package reads it
    NamedByNone,      // staged: no package names it, a custom action may read it
    ChosenUnreadable, // staged: what the chosen package reads is not known
    OnlyOthers,       // left out: only other packages name it
};

struct CabinetChoice {
    std::wstring name;
    bool staged;
    CabinetReason reason;
};

// For each cabinet of the medium's Package folder: left out only where
// another package that could be read names it and the chosen one, read,
// does not. Names compare without regard to case, as Windows names files.
std::vector<CabinetChoice> ChooseCabinets(const std::vector<std::wstring>& cabinets,
                                          const PackageCabinets& chosen,
                                          const std::vector<PackageCabinets>& others);

// What the log says of the reason.
const char* CabinetReasonText(CabinetReason reason);

// The cabinets of sourceFolder to stage beside msiName (staged already in
// stagingFolder, locked in lock): every "*.cab"; or, in a build that stages
// only what the package may read, those that ChooseCabinets keeps, each
// logged with its reason, and the others in leftOut; a sealed launcher reads
// only packages that are as sealed (the others count as unread). False, with
// g_lastError, when sourceFolder has no cabinet.
bool CabinetsToStage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, const StagedFilesLock& lock, MsiLibrary& msi,
                     std::vector<std::wstring>& cabinets, std::vector<std::wstring>& leftOut);

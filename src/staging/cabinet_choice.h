// Which cabinets of the medium a run stages when it stages only what its package may read.
#pragma once

#include <string>
#include <vector>

// The cabinets an MSI's Media table names ("#" and a name: a stream inside
// the MSI, no file), or that it could not be read (then nothing is known of
// it).
struct PackageCabinets {
    bool readable = false;
    std::vector<std::wstring> cabinets;
};

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

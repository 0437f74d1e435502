// Which cabinets of the medium a run stages when it stages only what its package may read.
#include "staging/cabinet_choice.h"

#include "base/file_attributes.h"

namespace {

// A name that begins with "#" is a stream inside the MSI, no file.
bool Names(const PackageCabinets& package, const std::wstring& cabinet) {
    for (const std::wstring& name : package.cabinets) {
        if (name[0] != L'#' && SameName(name.c_str(), cabinet.c_str())) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<CabinetChoice> ChooseCabinets(const std::vector<std::wstring>& cabinets,
                                          const PackageCabinets& chosen,
                                          const std::vector<PackageCabinets>& others) {
    std::vector<CabinetChoice> choices;
    for (const std::wstring& cabinet : cabinets) {
        CabinetReason reason = CabinetReason::NamedByNone;
        if (!chosen.readable) {
            reason = CabinetReason::ChosenUnreadable;
        } else if (Names(chosen, cabinet)) {
            reason = CabinetReason::NamedByChosen;
        } else {
            for (const PackageCabinets& other : others) {
                if (other.readable && Names(other, cabinet)) {
                    reason = CabinetReason::OnlyOthers;
                }
            }
        }
        choices.push_back({cabinet, reason != CabinetReason::OnlyOthers, reason});
    }
    return choices;
}

const char* CabinetReasonText(CabinetReason reason) {
    switch (reason) {
    case CabinetReason::NamedByChosen:
        return "staged, the package's: ";
    case CabinetReason::NamedByNone:
        return "staged, no package's: ";
    case CabinetReason::ChosenUnreadable:
        return "staged, the package unread: ";
    default:
        return "left out, another package's: ";
    }
}

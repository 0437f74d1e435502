// Which cabinets of the medium a run stages when it stages only what its package may read.
#include "msi/cabinet_choice.h"
#include "base/file_attributes.h"
#include "base/run_log.h"
#include "staging/copy.h"
#include "staging/seal.h"

#if SETUP_STAGE_NEEDED_CABINETS
constexpr bool kStageNeededCabinets = true;
#else
constexpr bool kStageNeededCabinets = false;
#endif

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

bool CabinetsToStage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, const StagedFilesLock& lock, MsiLibrary& msi,
                     std::vector<std::wstring>& cabinets, std::vector<std::wstring>& leftOut) {
    std::vector<std::wstring> all;
    if (!ListMatchingFiles(sourceFolder, L"*.cab", all)) {
        return false;
    }
    if (!kStageNeededCabinets) {
        cabinets = all;
        return true;
    }
    // A sealed launcher lets msi.dll read only packages as they were sealed:
    // its copy through the handle that locks it, and the others where they
    // lie, held so that they stay as they were hashed while they are read.
    const PackageCabinets chosen =
        !g_packageSealed || IsAsSealed(lock.Files().front().handle.Get(), msiName.c_str())
            ? ReadPackageCabinets(msi, stagingFolder + msiName)
            : PackageCabinets();
    // The other packages are read where they lie, as they are: a medium
    // that other users can change gets nothing staged by them, only left out.
    std::vector<std::wstring> packages;
    ListMatchingFiles(sourceFolder, L"*.msi", packages);
    std::vector<PackageCabinets> others;
    for (const std::wstring& name : packages) {
        if (SameName(name.c_str(), msiName.c_str())) {
            continue;
        }
        const FileHandle held(CreateFileW((sourceFolder + name).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (g_packageSealed && !(held.IsValid() && IsAsSealed(held.Get(), name.c_str()))) {
            LogLine("not sealed, not read: ", name.c_str());
            continue;
        }
        others.push_back(ReadPackageCabinets(msi, sourceFolder + name));
    }
    for (const CabinetChoice& choice : ChooseCabinets(all, chosen, others)) {
        LogLine(CabinetReasonText(choice.reason), choice.name.c_str());
        (choice.staged ? cabinets : leftOut).push_back(choice.name);
    }
    return true;
}

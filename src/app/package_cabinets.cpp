// The cabinets a run stages beside its MSI.
#include "app/package_cabinets.h"
#include "app/msi_api.h"
#include "base/file_attributes.h"
#include "base/run_log.h"
#include "staging/copy.h"

#if SETUP_STAGE_NEEDED_CABINETS
constexpr bool kStageNeededCabinets = true;
#else
constexpr bool kStageNeededCabinets = false;
#endif

PackageCabinets ReadPackageCabinets(MsiLibrary& library, const std::wstring& msiPath) {
    PackageCabinets package;
    const MsiFunctions* const msi = library.Functions();
    if (msi == nullptr) {
        return package;
    }
    MsiHandle database(msi->closeHandle);
    MsiHandle view(msi->closeHandle);
    if (msi->openDatabase(msiPath.c_str(), MSIDBOPEN_READONLY, database.Receive()) !=
            ERROR_SUCCESS ||
        msi->openView(database.Get(), L"SELECT `Cabinet` FROM `Media`", view.Receive()) !=
            ERROR_SUCCESS ||
        msi->execute(view.Get(), 0) != ERROR_SUCCESS) {
        return package;
    }
    for (;;) {
        MsiHandle record(msi->closeHandle);
        const UINT fetched = msi->fetch(view.Get(), record.Receive());
        if (fetched != ERROR_SUCCESS) {
            package.readable = fetched == ERROR_NO_MORE_ITEMS;
            return package;
        }
        wchar_t cabinet[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (msi->getString(record.Get(), 1, cabinet, &length) == ERROR_SUCCESS &&
            cabinet[0] != L'\0') {
            package.cabinets.push_back(cabinet);
        }
    }
}

bool CabinetsToStage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, MsiLibrary& msi,
                     std::vector<std::wstring>& cabinets, std::vector<std::wstring>& leftOut) {
    std::vector<std::wstring> all;
    if (!ListMatchingFiles(sourceFolder, L"*.cab", all)) {
        return false;
    }
    if (!kStageNeededCabinets) {
        cabinets = all;
        return true;
    }
    // The other packages are read where they lie, as they are: a medium
    // that other users can change gets nothing staged by it, only left out.
    std::vector<std::wstring> packages;
    ListMatchingFiles(sourceFolder, L"*.msi", packages);
    std::vector<PackageCabinets> others;
    for (const std::wstring& name : packages) {
        if (!SameName(name.c_str(), msiName.c_str())) {
            others.push_back(ReadPackageCabinets(msi, sourceFolder + name));
        }
    }
    for (const CabinetChoice& choice :
         ChooseCabinets(all, ReadPackageCabinets(msi, stagingFolder + msiName), others)) {
        LogLine(CabinetReasonText(choice.reason), choice.name.c_str());
        (choice.staged ? cabinets : leftOut).push_back(choice.name);
    }
    return true;
}

// An installed product's facts, as Windows Installer has it registered.
#include "msi/installed_product.h"
#include "base/run_log.h"

#include <initializer_list>

int ReadInstalledFacts(MsiLibrary& library, const wchar_t* productCode,
                       InstalledFacts (&installed)[kInstallContexts], bool& read) {
    const MsiFunctions* const msi = library.Functions();
    int count = 0;
    read = msi != nullptr && productCode[0] != L'\0';
    if (!read) {
        return count;
    }
    for (const MSIINSTALLCONTEXT context :
         {MSIINSTALLCONTEXT_MACHINE, MSIINSTALLCONTEXT_USERUNMANAGED,
          MSIINSTALLCONTEXT_USERMANAGED}) {
        InstalledFacts& facts = installed[count];
        facts = InstalledFacts{context, {}, {}};
        DWORD length = 32;
        UINT error = msi->productInfo(productCode, nullptr, context, INSTALLPROPERTY_VERSIONSTRING,
                                      facts.version, &length);
        if (error == ERROR_UNKNOWN_PRODUCT) {
            continue;
        }
        if (error == ERROR_SUCCESS) {
            length = 40;
            error = msi->productInfo(productCode, nullptr, context, INSTALLPROPERTY_PACKAGECODE,
                                     facts.packageCode, &length);
        }
        if (error != ERROR_SUCCESS) {
            LogLine("installed product not read, context ", L"", "", context);
            LogError("installed product not read: ", error);
            read = false;
            continue;
        }
        ++count;
    }
    return count;
}

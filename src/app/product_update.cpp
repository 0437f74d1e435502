// What a medium does where the same product is installed from another package.
#include "app/product_update.h"
#include "app/msi_api.h"
#include "base/file_attributes.h"

#include <cwchar>

namespace {

// The summary information's revision number (PID_REVNUMBER): the package code.
const UINT kPackageCodeProperty = 9;

// A package code as "{GUID}": the registry's packed form (32 hexadecimal
// digits, each group reversed, each byte's digits swapped), in which Wine's
// MsiGetProductInfoExW answers, unpacked; any other text as it is.
void UnpackedCode(const wchar_t* code, wchar_t (&unpacked)[40]) {
    if (code[0] == L'{' || wcslen(code) != 32) {
        for (int at = 0; at < 40; ++at) {
            unpacked[at] = at < 39 ? code[at] : L'\0';
            if (code[at] == L'\0') {
                break;
            }
        }
        return;
    }
    // Where each character of the packed form goes in "{GUID}".
    static const unsigned char kPlace[32] = {8,  7,  6,  5,  4,  3,  2,  1,  13, 12, 11,
                                             10, 18, 17, 16, 15, 21, 20, 23, 22, 26, 25,
                                             28, 27, 30, 29, 32, 31, 34, 33, 36, 35};
    for (int at = 0; at < 40; ++at) {
        unpacked[at] = at == 9 || at == 14 || at == 19 || at == 24 ? L'-' : L'\0';
    }
    unpacked[0] = L'{';
    unpacked[37] = L'}';
    for (int at = 0; at < 32; ++at) {
        unpacked[kPlace[at]] = code[at];
    }
}

bool SameCode(const wchar_t* one, const wchar_t* other) {
    wchar_t first[40];
    wchar_t second[40];
    UnpackedCode(one, first);
    UnpackedCode(other, second);
    return first[0] != L'\0' && SameName(first, second);
}

// The dotted numbers of a version, four of them, missing ones 0.
void VersionNumbers(const wchar_t* version, unsigned long (&numbers)[4]) {
    for (unsigned long& number : numbers) {
        number = 0;
        for (; *version >= L'0' && *version <= L'9'; ++version) {
            number = number * 10 + static_cast<unsigned long>(*version - L'0');
        }
        if (*version == L'.') {
            ++version;
        }
    }
}

// The value that query (of one column) finds first in the database, into
// value (of length characters); empty when it finds none.
void QueryValue(const MsiFunctions& msi, MSIHANDLE database, const wchar_t* query, wchar_t* value,
                DWORD length) {
    MsiHandle view(msi.closeHandle);
    MsiHandle record(msi.closeHandle);
    if (msi.openView(database, query, view.Receive()) != ERROR_SUCCESS ||
        msi.execute(view.Get(), 0) != ERROR_SUCCESS ||
        msi.fetch(view.Get(), record.Receive()) != ERROR_SUCCESS ||
        msi.getString(record.Get(), 1, value, &length) != ERROR_SUCCESS) {
        value[0] = L'\0';
    }
}

} // namespace

bool IsHigherVersion(const wchar_t* version, const wchar_t* other) {
    unsigned long numbers[4];
    unsigned long others[4];
    VersionNumbers(version, numbers);
    VersionNumbers(other, others);
    for (int part = 0; part < 4; ++part) {
        if (numbers[part] != others[part]) {
            return numbers[part] > others[part];
        }
    }
    return false;
}

UpdateCase ChooseUpdateCase(const PackageFacts& staged, const InstalledFacts* installed,
                            int installedCount, bool uninstall, bool argumentsSetReinstall) {
    if (staged.productCode[0] == L'\0' || installedCount == 0) {
        return UpdateCase::AsIs;
    }
    bool newer = false;
    for (int product = 0; product < installedCount; ++product) {
        if (SameCode(installed[product].packageCode, staged.packageCode)) {
            return UpdateCase::AsIs;
        }
        newer = newer || IsHigherVersion(installed[product].version, staged.version);
    }
    if (uninstall) {
        return UpdateCase::RemoveByProduct;
    }
    if (argumentsSetReinstall) {
        return UpdateCase::AsIs;
    }
    return newer ? UpdateCase::NewerInstalled : UpdateCase::MinorUpdate;
}

bool SetsReinstall(const LauncherArguments& arguments) {
    for (const Argument& argument : arguments.split) {
        if (StartsWith(argument.text, L"REINSTALL=") ||
            StartsWith(argument.text, L"REINSTALLMODE=")) {
            return true;
        }
    }
    return false;
}

void ReadPackageFacts(MsiLibrary& library, const std::wstring& msiPath, PackageFacts& facts) {
    facts = PackageFacts{};
    const MsiFunctions* const msi = library.Functions();
    if (msi == nullptr) {
        return;
    }
    MsiHandle database(msi->closeHandle);
    MsiHandle summary(msi->closeHandle);
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    DWORD length = 40;
    if (msi->openDatabase(msiPath.c_str(), MSIDBOPEN_READONLY, database.Receive()) !=
            ERROR_SUCCESS ||
        msi->summaryInformation(database.Get(), nullptr, 0, summary.Receive()) != ERROR_SUCCESS ||
        msi->summaryProperty(summary.Get(), kPackageCodeProperty, &type, &number, &time,
                             facts.packageCode, &length) != ERROR_SUCCESS) {
        facts.packageCode[0] = L'\0';
        return;
    }
    QueryValue(*msi, database.Get(),
               L"SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'", facts.productCode,
               40);
    QueryValue(*msi, database.Get(),
               L"SELECT `Value` FROM `Property` WHERE `Property`='ProductVersion'", facts.version,
               32);
}

int ReadInstalledFacts(MsiLibrary& library, const wchar_t* productCode,
                       InstalledFacts (&installed)[kInstallContexts]) {
    const MsiFunctions* const msi = library.Functions();
    int count = 0;
    if (msi == nullptr || productCode[0] == L'\0') {
        return count;
    }
    for (const MSIINSTALLCONTEXT context :
         {MSIINSTALLCONTEXT_MACHINE, MSIINSTALLCONTEXT_USERUNMANAGED,
          MSIINSTALLCONTEXT_USERMANAGED}) {
        InstalledFacts& facts = installed[count];
        facts = InstalledFacts{context, {}, {}};
        DWORD length = 32;
        if (msi->productInfo(productCode, nullptr, context, INSTALLPROPERTY_VERSIONSTRING,
                             facts.version, &length) != ERROR_SUCCESS) {
            continue;
        }
        length = 40;
        if (msi->productInfo(productCode, nullptr, context, INSTALLPROPERTY_PACKAGECODE,
                             facts.packageCode, &length) != ERROR_SUCCESS) {
            facts.packageCode[0] = L'\0';
        }
        ++count;
    }
    return count;
}

const char* UpdateCaseText(UpdateCase update) {
    switch (update) {
    case UpdateCase::MinorUpdate:
        return "update: in place";
    case UpdateCase::NewerInstalled:
        return "update: newer installed";
    case UpdateCase::RemoveByProduct:
        return "update: by product code";
    default:
        return "update: none";
    }
}

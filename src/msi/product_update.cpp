// What a medium does where the same product is installed from another package.
#include "msi/product_update.h"
#include "base/file_attributes.h"

#include <cwchar>

namespace {

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

} // namespace

void ReadProductFacts(MsiLibrary& msi, const std::wstring& msiPath, ProductFacts& facts) {
    facts = ProductFacts{};
    bool installedRead = false;
    facts.read = ReadPackageFacts(msi, msiPath, facts.staged);
    if (facts.read) {
        facts.installedCount =
            ReadInstalledFacts(msi, facts.staged.productCode, facts.installed, installedRead);
        facts.read = installedRead;
    }
}

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

UpdateCase ChooseUpdateCase(const ProductFacts& facts, bool removal, bool argumentsSetReinstall) {
    if (!facts.read || facts.installedCount == 0) {
        return UpdateCase::AsIs;
    }
    bool newer = false;
    for (int product = 0; product < facts.installedCount; ++product) {
        const InstalledFacts& installed = facts.installed[product];
        if (SameCode(installed.packageCode, facts.staged.packageCode)) {
            return UpdateCase::AsIs;
        }
        newer = newer || IsHigherVersion(installed.version, facts.staged.version);
    }
    if (removal) {
        return UpdateCase::RemoveByProduct;
    }
    if (argumentsSetReinstall) {
        return UpdateCase::AsIs;
    }
    return newer ? UpdateCase::NewerInstalled : UpdateCase::MinorUpdate;
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

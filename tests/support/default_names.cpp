// What a default build calls its product, packages and languages, as the tests expect them.
#include "default_names.h"

#include <windows.h>

const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";

bool IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring OwnPackage() {
    return IsWow64() ? kX64 : kX86;
}

std::wstring OtherPackage() {
    return IsWow64() ? kX86 : kX64;
}

// The built sample package and Setup.exe, run with Wine's own Windows Installer.
#include "sample_package.h"
#include "test_main.h"

#include "base/unique_handle.h"

#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

std::wstring PackageDir() {
    return TestPath(L"package") + L"\\";
}

std::wstring SourceDir() {
    return TestPath(L"files") + L"\\";
}

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

} // namespace

// A 32-bit process sees the 32-bit Program Files as ProgramFiles and the
// 64-bit one as ProgramW6432.
std::wstring InstallFolder(const std::wstring& package) {
    const std::wstring base = Variable(package == kX64 ? L"ProgramW6432" : L"ProgramFiles");
    return base + L"\\ORVANE\\" + kProductName + L"\\";
}

std::wstring ArchitectureOf(const std::wstring& package) {
    return package == kX64 ? L"x64" : L"x86";
}

RegistryValue ReadProductValue(const wchar_t* name) {
    RegistryValue value;
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS) {
        return value;
    }
    BYTE data[512] = {};
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, data, &size) == ERROR_SUCCESS) {
        value.type = type;
        value.bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    return value;
}

bool ProductKeyExists() {
    RegistryKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.Receive()) ==
           ERROR_SUCCESS;
}

std::wstring AsString(const RegistryValue& value) {
    if (value.type != REG_SZ) {
        return L"<not a string>";
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                      value.bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

RunResult RunMsiexec(const std::wstring& arguments) {
    RunOptions options;
    options.timeoutMs = kRealInstallerMs;
    return RunAndAnswer(L"msiexec.exe " + arguments, options);
}

void EnsureNotInstalled(const std::wstring& msiPath) {
    const std::wstring productCode = PackageProperty(msiPath, L"ProductCode");
    if (MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT) {
        RunMsiexec(L"/x " + productCode + L" /qn");
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\ORVANE");
}

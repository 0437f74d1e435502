// Which of the medium's MSIs a machine needs.
#include "app/package_choice.h"
#include "base/system_library.h"

PackageChoice ChoosePackage(USHORT processMachine, USHORT nativeMachine, bool arm64OnMedium) {
    switch (nativeMachine) {
    case IMAGE_FILE_MACHINE_ARM64:
        return arm64OnMedium ? PackageChoice::Arm64 : PackageChoice::None;
    case IMAGE_FILE_MACHINE_AMD64:
        return PackageChoice::X64;
    case IMAGE_FILE_MACHINE_I386:
        return PackageChoice::X86;
    default:
        // Any other 64-bit Windows as IsWow64Process alone would have it.
        return processMachine != IMAGE_FILE_MACHINE_UNKNOWN ? PackageChoice::X64
                                                            : PackageChoice::X86;
    }
}

std::wstring PackageFileName(const std::wstring& packageName, PackageChoice choice) {
    switch (choice) {
    case PackageChoice::X64:
        return packageName + L"x64.msi";
    case PackageChoice::Arm64:
        return packageName + L"arm64.msi";
    default:
        return packageName + L"x86.msi";
    }
}

// Both are looked up by name, so that the launcher still starts on a
// Windows without them and reports the failure only when a run needs it.
bool QueryMachines(USHORT& processMachine, USHORT& nativeMachine) {
    const auto isWow64Process2 =
        LoadedFunction<BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*)>(L"kernel32", "IsWow64Process2");
    if (isWow64Process2 != nullptr &&
        isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) {
        return true;
    }
    const auto isWow64Process =
        LoadedFunction<BOOL(WINAPI*)(HANDLE, PBOOL)>(L"kernel32", "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &wow64)) {
        return false;
    }
    processMachine = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
    nativeMachine = wow64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    return true;
}

// Which of the medium's MSIs a machine needs.
#include "app/package_choice.h"

#include <gtest/gtest.h>

namespace {

// Wine runs only the x86 and x64 rows for real (tests/e2e); ARM64 Windows and
// a Windows without IsWow64Process2 are shown here alone.
TEST(ChoosePackageTest, FollowsTheNativeMachine) {
    const USHORT none = IMAGE_FILE_MACHINE_UNKNOWN;
    const USHORT x86 = IMAGE_FILE_MACHINE_I386;
    const USHORT x64 = IMAGE_FILE_MACHINE_AMD64;
    const USHORT arm64 = IMAGE_FILE_MACHINE_ARM64;
    struct ChoiceCase {
        const char* name;
        USHORT process;
        USHORT native;
        bool arm64OnMedium;
        PackageChoice expected;
        const wchar_t* file;
    };
    const ChoiceCase cases[] = {
        {"64-bit Windows", x86, x64, false, PackageChoice::X64, L"Px64.msi"},
        {"32-bit Windows", none, x86, false, PackageChoice::X86, L"Px86.msi"},
        {"arm64 package on the medium is not for x64", x86, x64, true, PackageChoice::X64,
         L"Px64.msi"},
        // An x86 process is a WOW64 process there too: IsWow64Process alone
        // would pick the x64 driver, which ARM64 Windows cannot load.
        {"ARM64 with an arm64 package", x86, arm64, true, PackageChoice::Arm64, L"Parm64.msi"},
        {"ARM64 without one", x86, arm64, false, PackageChoice::None, nullptr},
        // Without IsWow64Process2 the launcher names the machines from
        // IsWow64Process: 64-bit as x86 on AMD64, 32-bit as no WOW64 on x86.
        {"64-bit Windows, IsWow64Process only", x86, x64, false, PackageChoice::X64, L"Px64.msi"},
        {"other 64-bit machine", x86, IMAGE_FILE_MACHINE_IA64, false, PackageChoice::X64,
         L"Px64.msi"},
        {"other 32-bit machine", none, IMAGE_FILE_MACHINE_ARMNT, false, PackageChoice::X86,
         L"Px86.msi"},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageChoice choice = ChoosePackage(c.process, c.native, c.arm64OnMedium);
        EXPECT_EQ(choice, c.expected);
        if (c.file != nullptr) {
            EXPECT_EQ(PackageFileName(L"P", choice), c.file);
        }
    }
}

} // namespace

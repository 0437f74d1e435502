// The staged files judged against the seal of a sealed launcher.
#include "staging/seal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

FileSeal Seal(const wchar_t* name, unsigned long long size, unsigned char fill) {
    FileSeal seal = {name, size, {}};
    for (unsigned char& byte : seal.sha256) {
        byte = fill;
    }
    return seal;
}

TEST(JudgeStagedFilesTest, StagedFilesMustBeTheSealedOnes) {
    const std::vector<FileSeal> sealed = {Seal(L"Px64.msi", 3000, 1), Seal(L"Px86.msi", 2000, 2),
                                          Seal(L"data1.cab", 8, 3), Seal(L"data2.cab", 70000, 4)};
    FileSeal changedByte = Seal(L"Px64.msi", 3000, 1);
    changedByte.sha256[31] ^= 1;
    struct VerdictCase {
        const char* name;
        const wchar_t* msi;
        std::vector<FileSeal> staged;
        SealVerdict expected;
        std::vector<std::wstring> leftOut = {};
    };
    const VerdictCase cases[] = {
        {"same", L"Px64.msi", {sealed[0], sealed[2], sealed[3]}, SealVerdict::Intact},
        {"names in another case",
         L"px64.MSI",
         {Seal(L"px64.MSI", 3000, 1), Seal(L"DATA1.CAB", 8, 3), sealed[3]},
         SealVerdict::Intact},
        {"byte changed", L"Px64.msi", {changedByte, sealed[2], sealed[3]}, SealVerdict::Changed},
        {"size changed",
         L"Px64.msi",
         {sealed[0], Seal(L"data1.cab", 9, 3), sealed[3]},
         SealVerdict::Changed},
        {"extra cabinet",
         L"Px64.msi",
         {sealed[0], sealed[2], sealed[3], Seal(L"data3.cab", 8, 3)},
         SealVerdict::Changed},
        {"cabinet missing", L"Px64.msi", {sealed[0], sealed[2]}, SealVerdict::Incomplete},
        {"a change outweighs a missing cabinet",
         L"Px64.msi",
         {changedByte, sealed[2]},
         SealVerdict::Changed},
        {"other machine's MSI in its place",
         L"Px64.msi",
         {Seal(L"Px64.msi", 2000, 2), sealed[2], sealed[3]},
         SealVerdict::Changed},
        {"the other machine's MSI is not needed",
         L"Px86.msi",
         {sealed[1], sealed[2], sealed[3]},
         SealVerdict::Intact},
        {"an MSI that was not sealed",
         L"Parm64.msi",
         {Seal(L"Parm64.msi", 5, 5), sealed[2], sealed[3]},
         SealVerdict::Changed},
        {"no MSI staged", L"Px64.msi", {sealed[2], sealed[3]}, SealVerdict::Incomplete},
        // Left out as another package's, by a launcher that stages only its own.
        {"cabinet left out",
         L"Px64.msi",
         {sealed[0], sealed[2]},
         SealVerdict::Intact,
         {L"DATA2.cab"}},
        {"another cabinet left out",
         L"Px64.msi",
         {sealed[0], sealed[2]},
         SealVerdict::Incomplete,
         {L"data1.cab"}},
    };
    for (const VerdictCase& c : cases) {
        EXPECT_EQ(JudgeStagedFiles(sealed, c.msi, c.staged, c.leftOut), c.expected) << c.name;
    }
}

} // namespace

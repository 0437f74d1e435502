// What a medium does where the same product is installed from another package.
#include "msi/product_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kMachine = 4;       // MSIINSTALLCONTEXT_MACHINE
constexpr int kUserUnmanaged = 2; // MSIINSTALLCONTEXT_USERUNMANAGED

constexpr UpdateCase kAsIs = UpdateCase::AsIs;
constexpr UpdateCase kMinor = UpdateCase::MinorUpdate;
constexpr UpdateCase kNewer = UpdateCase::NewerInstalled;
constexpr UpdateCase kRemove = UpdateCase::RemoveByProduct;

// The staged package is 2.4.1.0, package {NEW}; the installed one as given.
TEST(ChooseUpdateCaseTest, Table) {
    const PackageFacts staged = {L"{PRODUCT}", L"2.4.1.0", L"{NEW}"};
    const PackageFacts unreadable = {L"", L"", L""};
    const PackageFacts packed = {L"{PRODUCT}", L"2.4.1.0",
                                 L"{72C12D5B-9CE6-4F1D-9F51-4F79D74D1927}"};
    struct UpdateRow {
        const char* name;
        std::vector<InstalledFacts> installed;
        bool uninstall;
        bool setsReinstall;
        UpdateCase expected;
        const PackageFacts* package;
        // Whether every read succeeded.
        bool read = true;
    };
    const UpdateRow rows[] = {
        {"nothing installed", {}, false, false, kAsIs, &staged},
        {"the same package installed",
         {{kMachine, L"2.4.1.0", L"{new}"}},
         false,
         false,
         kAsIs,
         &staged},
        {"an older package, per machine",
         {{kMachine, L"2.4.0.2", L"{OLD}"}},
         false,
         false,
         kMinor,
         &staged},
        {"an older package, per user",
         {{kUserUnmanaged, L"2.4.0.2", L"{OLD}"}},
         false,
         false,
         kMinor,
         &staged},
        {"another package of the same version",
         {{kMachine, L"2.4.1.0", L"{OLD}"}},
         false,
         false,
         kMinor,
         &staged},
        {"a newer version", {{kMachine, L"2.4.1.1", L"{NEWER}"}}, false, false, kNewer, &staged},
        {"a newer version by its first number",
         {{kMachine, L"10.0.0.0", L"{NEWER}"}},
         false,
         false,
         kNewer,
         &staged},
        {"newer in one context, older in another",
         {{kMachine, L"2.4.0.2", L"{OLD}"}, {kUserUnmanaged, L"3.0", L"{NEWER}"}},
         false,
         false,
         kNewer,
         &staged},
        {"the same package in one context",
         {{kMachine, L"2.4.0.2", L"{OLD}"}, {2, L"2.4.1.0", L"{NEW}"}},
         false,
         false,
         kAsIs,
         &staged},
        {"uninstall of another package",
         {{kMachine, L"2.4.0.2", L"{OLD}"}},
         true,
         false,
         kRemove,
         &staged},
        {"uninstall of a newer package",
         {{kMachine, L"3.0.0.0", L"{NEWER}"}},
         true,
         false,
         kRemove,
         &staged},
        {"uninstall of the same package",
         {{kMachine, L"2.4.1.0", L"{NEW}"}},
         true,
         false,
         kAsIs,
         &staged},
        {"uninstall, nothing installed", {}, true, false, kAsIs, &staged},
        {"the arguments set REINSTALL",
         {{kMachine, L"2.4.0.2", L"{OLD}"}},
         false,
         true,
         kAsIs,
         &staged},
        {"the arguments set REINSTALL, newer installed",
         {{kMachine, L"3.0", L"{NEWER}"}},
         false,
         true,
         kAsIs,
         &staged},
        // Wine answers with the registry's packed form of the package code.
        {"the same package, its code packed",
         {{kMachine, L"2.4.1.0", L"B5D21C276EC9D1F4F915F4977DD49172"}},
         false,
         false,
         kAsIs,
         &packed},
        {"another package, its code packed",
         {{kMachine, L"2.4.0.2", L"B5D21C276EC9D1F4F915F4977DD49173"}},
         false,
         false,
         kMinor,
         &packed},
        // A read that failed decides nothing: Windows Installer does.
        {"staged package unreadable",
         {{kMachine, L"2.4.0.2", L"{OLD}"}},
         false,
         false,
         kAsIs,
         &unreadable,
         false},
        {"installed package code unreadable",
         {{kMachine, L"2.4.0.2", L""}},
         false,
         false,
         kAsIs,
         &staged,
         false},
        {"installed package code unreadable, a removal",
         {{kMachine, L"2.4.0.2", L""}},
         true,
         false,
         kAsIs,
         &staged,
         false},
    };
    for (const UpdateRow& row : rows) {
        ProductFacts facts;
        facts.staged = *row.package;
        facts.installedCount = static_cast<int>(row.installed.size());
        std::copy(row.installed.begin(), row.installed.end(), facts.installed);
        facts.read = row.read;
        EXPECT_EQ(ChooseUpdateCase(facts, row.uninstall, row.setsReinstall), row.expected)
            << row.name;
    }
}

TEST(IsHigherVersionTest, ComparesEachNumber) {
    EXPECT_TRUE(IsHigherVersion(L"2.4.1.0", L"2.4.0.2"));
    EXPECT_TRUE(IsHigherVersion(L"2.10", L"2.9.9.9"));
    EXPECT_TRUE(IsHigherVersion(L"2.4.0.3", L"2.4.0.2"));
    EXPECT_FALSE(IsHigherVersion(L"2.4.0.2", L"2.4.0.2"));
    EXPECT_FALSE(IsHigherVersion(L"2.4", L"2.4.0.0"));
    EXPECT_FALSE(IsHigherVersion(L"2.4.0.2", L"2.4.1.0"));
}

} // namespace

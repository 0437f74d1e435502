// The transform writer on copies of a built package: what it embeds takes
// effect, and what it refuses leaves the package as it was.
#include "package_property.h"
#include "file_io.h"
#include "launcher_places.h"
#include "poll.h"
#include "processes.h"
#include "scratch_folder.h"
#include "test_main.h"

#include "base/unique_handle.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using testfs::Narrow;

// The writer (the program's argument writer=) and a built MSI (package=).
std::wstring Writer() {
    return TestPath(L"writer");
}

std::wstring Package() {
    return TestPath(L"package");
}

struct WriterRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

WriterRun RunWriter(const std::wstring& msi, const std::wstring& changes) {
    WriterRun run;
    // Wine's helper processes, started for the writer, inherit its output
    // handle and may outlive it; a file beside the test's folder that goes
    // when the last handle closes keeps that folder removable.
    static unsigned runs = 0;
    const std::wstring outputPath = testfs::TempDirectory() + L"transform-writer-output-" +
                                    std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(++runs) + L".txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const FileHandle output(
        CreateFileW(outputPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!output.IsValid()) {
        ADD_FAILURE() << "no output file";
        return run;
    }
    std::wstring commandLine = L"\"" + Writer() + L"\" \"" + msi + L"\" \"" + changes + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "the writer did not start: " << GetLastError();
        return run;
    }
    const KernelHandle thread(process.hThread);
    const KernelHandle owned(process.hProcess);
    if (!WaitForEnd(process.hProcess, commandLine)) {
        ADD_FAILURE() << "the writer did not end within " << kRunMs / 1000 << " s";
        TerminateProcess(process.hProcess, 1);
        WaitForObject("terminated process ends", process.hProcess, kTerminatedMs);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    // Read through the own handle: the file is gone once it is closed.
    SetFilePointer(output.Get(), 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(output.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        run.output.append(buffer, read);
    }
    return run;
}

// A cell of the package after applying the transform named (":name"), or
// "<not applied>".
std::wstring CellAfter(const std::wstring& msi, const std::wstring& transform,
                       const std::wstring& query) {
    return FirstCell(msi, transform, query).value_or(L"<not applied>");
}

struct Refusal {
    const char* name;
    const char* changes; // UTF-8, as the build script writes it
    const char* message; // part of what the writer reports
};

const Refusal kRefusals[] = {
    {"row the package lacks", "xx-XX.mst\tProperty\tNoSuchProperty\tValue\tv\n", "has no row"},
    {"key column", "xx-XX.mst\tProperty\tProductName\tProperty\tOther\n", "key columns"},
    {"unknown column", "xx-XX.mst\tProperty\tProductName\tNoColumn\tv\n", "has no column"},
    {"empty value where one is needed", "xx-XX.mst\tProperty\tProductName\tValue\t\n",
     "cannot be empty"},
    {"integer column", "xx-XX.mst\tRegistry\tCulture\tRoot\t2\n", "does not hold strings"},
    {"unknown table", "xx-XX.mst\tNoTable\tk\tValue\tv\n", "opening table"},
    {"text beyond ASCII in a neutral package",
     "xx-XX.mst\tProperty\tProductName\tValue\t\xE6\x97\xA5\xE6\x9C\xAC\n", "not ASCII"},
    {"same cell twice",
     "xx-XX.mst\tProperty\tProductName\tValue\ta\nxx-XX.mst\tProperty\tProductName\tValue\tb\n",
     "changed twice"},
    {"transform already embedded", "ja-JP.mst\tProperty\tProductName\tValue\tv\n", "already holds"},
    {"name a storage cannot have", "a:b.mst\tProperty\tProductName\tValue\tv\n",
     "unusable transform name"},
    {"line of four fields", "xx-XX.mst\tProperty\tProductName\tValue\n", "five fields"},
    {"no change at all", "\n", "no change"},
    // Nothing is committed when a later transform fails.
    {"good transform before a bad one",
     "xx-XX.mst\tProperty\tProductName\tValue\tv\nyy-YY.mst\tProperty\tProductName\tProperty\tv\n",
     "key columns"},
};

// What a test puts into its folder; the writer's copy of the package must not
// outlast its run.
const std::vector<std::wstring> kOwnFiles = {L"changes.tsv", L"package.msi"};

class WriterTest : public ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        msi = folder + L"package.msi";
        changes = folder + L"changes.tsv";
        ASSERT_TRUE(CopyFileW(Package().c_str(), msi.c_str(), FALSE));
    }

    std::wstring msi, changes;
};

class RefusalTest : public WriterTest, public testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, LeavesThePackageAsItWas) {
    ASSERT_TRUE(testfs::WriteBytes(changes, GetParam().changes));
    const std::string before = testfs::ReadBytes(msi);
    const WriterRun run = RunWriter(msi, changes);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
    EXPECT_TRUE(testfs::ReadBytes(msi) == before) << "the package was changed";
    EXPECT_EQ(testfs::SortedNames(folder), kOwnFiles) << "a copy of the package was left";
}

INSTANTIATE_TEST_SUITE_P(Changes, RefusalTest, testing::ValuesIn(kRefusals), ByCaseName());

TEST_F(WriterTest, EmbedsTransformsThatChangeOnlyTheirCells) {
    ASSERT_TRUE(testfs::WriteBytes(changes, "xx-XX.mst\tProperty\tProductName\tValue\tFirst\n"
                                            "xx-XX.mst\tRegistry\tCulture\tValue\txx-XX\n"
                                            "yy-YY.mst\tProperty\tProductName\tValue\tSecond\n"));
    const WriterRun run = RunWriter(msi, changes);
    ASSERT_EQ(run.exitCode, 0u) << run.output;

    const std::wstring name = L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductName'";
    const std::wstring culture = L"SELECT `Value` FROM `Registry` WHERE `Registry` = 'Culture'";
    const std::wstring language =
        L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductLanguage'";
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst", name), L"First");
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst", culture), L"xx-XX");
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst", language), L"1033");
    EXPECT_EQ(CellAfter(msi, L":yy-YY.mst", name), L"Second");
    EXPECT_EQ(CellAfter(msi, L":yy-YY.mst", culture), L"en-US");
    // The transforms that were there stay usable.
    EXPECT_EQ(CellAfter(msi, L":ja-JP.mst", culture), L"ja-JP");
    EXPECT_EQ(testfs::SortedNames(folder), kOwnFiles) << "the copy of the package was left";
}

// An empty value is a null cell; as a string of its own in the transform's
// pool, Wine read the strings after it wrongly.
TEST_F(WriterTest, EmbedsEmptyValuesOfColumnsThatMayBeEmpty) {
    ASSERT_TRUE(testfs::WriteBytes(changes, "xx-XX.mst\tRegistry\tCulture\tValue\t\n"
                                            "xx-XX.mst\tRegistry\tInstalledFlag\tValue\t\n"
                                            "xx-XX.mst\tRegistry\tCulture\tName\tlanguage\n"));
    const WriterRun run = RunWriter(msi, changes);
    ASSERT_EQ(run.exitCode, 0u) << run.output;

    const std::wstring query = L"SELECT `Value` FROM `Registry` WHERE `Registry` = ";
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst", query + L"'Culture'"), L"");
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst", query + L"'InstalledFlag'"), L"");
    EXPECT_EQ(CellAfter(msi, L":xx-XX.mst",
                        L"SELECT `Name` FROM `Registry` WHERE `Registry` = 'Culture'"),
              L"language");
}

// The package is replaced, not edited: while another program reads it without
// letting it be deleted, the writer fails and leaves it as it was.
TEST_F(WriterTest, LeavesAPackageInUseAsItWas) {
    ASSERT_TRUE(testfs::WriteBytes(changes, "xx-XX.mst\tProperty\tProductName\tValue\tFirst\n"));
    const std::string before = testfs::ReadBytes(msi);
    FileHandle reader(CreateFileW(msi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader.IsValid());
    const WriterRun run = RunWriter(msi, changes);
    reader.Reset();

    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("replacing the package"), std::string::npos) << run.output;
    EXPECT_TRUE(testfs::ReadBytes(msi) == before) << "the package was changed";
    EXPECT_EQ(testfs::SortedNames(folder), kOwnFiles) << "the copy of the package was left";
}

} // namespace

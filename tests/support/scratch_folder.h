// The tests' one kind of scratch folder: made fresh, removed with all it holds.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

// TempDirectory()\name\, made fresh: what an interrupted earlier run left
// there goes first, with the entries it left scheduled for removal at the
// restart. When it goes, it takes off the schedule what the test put there
// and removes the folder and everything in it; a link is removed as a link,
// never followed. A name that could reach beyond the temporary directory
// (empty, ending in a dot or a blank, or holding a separator) makes
// nothing, and a failure.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::wstring& name);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    // With a trailing backslash; empty when the name was refused.
    const std::wstring& Path() const {
        return path_;
    }

  private:
    // A fatal failure when the folder cannot be made, so that a SetUp that
    // makes it skips the test.
    void Make(const std::wstring& name);

    std::wstring path_;
};

// A test that works in a scratch folder named after the test suite and the
// test: the one fixture that makes and removes scratch folders. A fixture
// that derives from it calls this SetUp before it uses the folder, and stops
// when that failed; its TearDown calls this TearDown last.
class ScratchFolderTest : public testing::Test {
  protected:
    ScratchFolderTest() = default;
    // A folder of the fixture's naming, the same for each of its tests.
    explicit ScratchFolderTest(std::wstring name);
    void SetUp() override;
    void TearDown() override;

    std::wstring folder; // with a trailing backslash

  private:
    std::wstring name_;
    std::optional<ScratchFolder> scratch_;
};

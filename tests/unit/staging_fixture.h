// What the tests of staging/ share: the fixture, its files, and draws of the tests' choosing.
#pragma once

#include "scratch_folder.h"

#include "staging/copy.h"
#include "staging/folder.h"
#include "staging/last_error.h"
#include "staging/places.h"
#include "staging/tree_removal.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

void WriteText(const std::wstring& path, const std::string& text);
std::string ReadText(const std::wstring& path);

// Each test works in its scratch folder, with source\ and destination\ in
// it; TMP, when a test points it elsewhere, is put back as it was.
class StagingTest : public ScratchFolderTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring MakeFolder(const std::wstring& relative);
    void PointTmpAt(const std::wstring& path);

    const std::wstring& root_ = ScratchFolderTest::folder;
    std::wstring source_;
    std::wstring destination_;

  private:
    bool tmpPointed_ = false;
    std::optional<std::wstring> savedTmp_; // none: TMP was not set
};

// Draws that ScriptedDraw hands out in turn; a draw past the end fails.
extern std::vector<unsigned> g_script;
extern size_t g_drawn;

bool ScriptedDraw(unsigned& value);

// A held folder, made by CreateStagingDirectoryIn under the drawn value.
std::wstring HeldFolder(const std::wstring& parent, unsigned value, StagingFolderHold& hold);

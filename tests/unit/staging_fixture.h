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

// Each test works in a fresh folder of its own under the real temp directory.
class StagingTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::wstring MakeFolder(const std::wstring& relative);
    void PointTmpAt(const std::wstring& folder);

    std::wstring root_;
    std::wstring source_;
    std::wstring destination_;
    std::wstring savedTmp_;

  private:
    std::optional<ScratchFolder> scratch_;
};

// Draws that ScriptedDraw hands out in turn; a draw past the end fails.
extern std::vector<unsigned> g_script;
extern size_t g_drawn;

bool ScriptedDraw(unsigned& value);

// A held folder, made by CreateStagingDirectoryIn under the drawn value.
std::wstring HeldFolder(const std::wstring& parent, unsigned value, StagingFolderHold& hold);

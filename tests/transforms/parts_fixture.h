#pragma once

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <string>

// What the tests of the transform writer's parts share.

// A small MSI database of the tests' own, made through the MSI API: a
// Property table that names the product, and a table Setting with a key, two
// string columns that may be empty and a number:
//   Setting  Name   Value  Number
//   A        alpha  one    1
//   B        beta   two    2
// codepage 0 leaves the database neutral.
bool CreateSampleDatabase(const std::wstring& path, unsigned codepage);

// A test that works in a folder of its own, removed again afterwards.
class ScratchFolderTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring folder; // with a trailing backslash
};

// A summary property as Wine's msi reads it: text, or a number in digits.
std::wstring SummaryText(MSIHANDLE summary, UINT property);

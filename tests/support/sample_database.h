// A small MSI database of the tests' own, and its summary read back.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

// A small MSI database of the tests' own, made through the MSI API: a
// Property table that names the product, and a table Setting with a key, two
// string columns that may be empty and a number:
//   Setting  Name   Value  Number
//   A        alpha  one    1
//   B        beta   two    2
// codepage 0 leaves the database neutral.
bool CreateSampleDatabase(const std::wstring& path, unsigned codepage);

// A summary property as Wine's msi reads it: text, or a number in digits.
std::wstring SummaryText(MSIHANDLE summary, UINT property);

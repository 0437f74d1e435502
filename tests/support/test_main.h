// The one main of the test programs, and the arguments it was given.
#pragma once

// GoogleTest with a printer that writes to standard output only, and the
// program's own arguments, each name=value, after GoogleTest's flags (ctest
// passes them).
#include <gtest/gtest.h>

#include <string>

// The value of the argument name, or empty (and a failure) when it is missing.
std::wstring TestArgument(const wchar_t* name);

// Whether the test program was given the argument name.
bool HasTestArgument(const wchar_t* name);

// A path argument, given as a host path (as CMake names files), as Wine shows
// it to Windows programs: on drive Z:.
std::wstring TestPath(const wchar_t* name);

// Names each case of a parameterised test after its parameter's field name,
// with every character that GoogleTest does not take in a name made '_'.
struct ByCaseName {
    template <typename Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        std::string name = info.param.name;
        for (char& ch : name) {
            ch = isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    }
};

// A system DLL's functions, looked up at first use, or meanwhile on a thread of their own.
#include "base/system_library.h"

#include <gtest/gtest.h>

namespace {

struct Present {
    decltype(&GetTickCount64) tickCount;
    decltype(&GetCurrentThreadId) threadId;

    alignas(1) static constexpr char kNames[] = "GetTickCount64\0GetCurrentThreadId\0";
};

struct Missing {
    decltype(&GetTickCount64) tickCount;

    alignas(1) static constexpr char kNames[] = "NoSuchFunctionAnywhere\0";
};

// The thread that loaded the DLL last.
DWORD g_loadedBy = 0;

HMODULE LoadKernel32() {
    g_loadedBy = GetCurrentThreadId();
    return GetModuleHandleW(L"kernel32");
}

// Loaded meanwhile or not, the functions are the DLL's, on whichever thread
// they were looked up; a missing one leaves none.
TEST(SystemLibraryTest, LoadsAtFirstUseOrMeanwhile) {
    for (const bool meanwhile : {false, true}) {
        SCOPED_TRACE(meanwhile ? "meanwhile" : "at first use");
        g_loadedBy = 0;
        SystemLibrary<Present> present(LoadKernel32);
        if (meanwhile) {
            ASSERT_TRUE(present.LoadMeanwhile()) << "no thread started";
        }
        const Present* functions = present.Functions();
        ASSERT_NE(functions, nullptr);
        EXPECT_EQ(functions->threadId(), GetCurrentThreadId());
        EXPECT_EQ(g_loadedBy != GetCurrentThreadId(), meanwhile) << "loaded on the wrong thread";
        // Once loaded, there is nothing left to load meanwhile.
        EXPECT_FALSE(present.LoadMeanwhile());

        SystemLibrary<Missing> missing(LoadKernel32);
        if (meanwhile) {
            ASSERT_TRUE(missing.LoadMeanwhile());
        }
        EXPECT_EQ(missing.Functions(), nullptr);
    }
}

} // namespace

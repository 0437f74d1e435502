#include "acceptance.h"
#include "test_files.h"
#include "test_main.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    if (argc != 4) {
        fprintf(stderr, "usage: acceptance_tests <Setup.exe> <package dir> <package/files dir>\n");
        return 2;
    }
    g_setupBuilt = testfs::FromHostPath(argv[1]);
    g_packageDir = testfs::FromHostPath(argv[2]) + L"\\";
    g_sourceDir = testfs::FromHostPath(argv[3]) + L"\\";
    g_baseTemp = testfs::TempDirectory();
    return RUN_ALL_TESTS();
}

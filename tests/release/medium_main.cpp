#include "setup_harness.h"
#include "test_files.h"
#include "test_main.h"

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    if (argc != 2) {
        fprintf(stderr, "usage: SETUP_TEST_MEDIUM=<medium> medium_tests <stand_in_msiexec.exe>\n");
        return 2;
    }
    g_baseTemp = testfs::TempDirectory();
    g_standInBuilt = testfs::FromHostPath(argv[1]);
    testing::AddGlobalTestEnvironment(new StandInInstaller);
    return RUN_ALL_TESTS();
}

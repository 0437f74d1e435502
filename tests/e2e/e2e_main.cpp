#include "setup_harness.h"
#include "test_files.h"
#include "test_main.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    if (argc != 3) {
        fprintf(stderr, "usage: setup_e2e_tests <Setup.exe> <stand_in_msiexec.exe>\n");
        return 2;
    }
    g_baseTemp = testfs::TempDirectory();
    g_setupBuilt = testfs::FromHostPath(argv[1]);
    g_standInBuilt = testfs::FromHostPath(argv[2]);
    testing::AddGlobalTestEnvironment(new StandInInstaller);
    return RUN_ALL_TESTS();
}

#include "test_main.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    return RUN_ALL_TESTS();
}

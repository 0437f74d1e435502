#pragma once

// Replaces GoogleTest's result printer with one that writes to standard
// output only. Call after testing::InitGoogleTest.
void UsePlainTestPrinter();

// Entries of the unit-test program's own string table.
#pragma once

#define IDS_TEST_LONG 500
#define IDS_TEST_EXACTLY_99 501
#define IDS_TEST_MISSING 502

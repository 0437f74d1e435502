// The one main of the test programs, and the arguments it was given.
#include "test_main.h"
#include "file_io.h"
#include "launcher_places.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

std::map<std::wstring, std::wstring> g_arguments;

// GoogleTest's own printer also sends each failure to OutputDebugString,
// which raises an exception that Wine under an i386 emulator cannot unwind.
// This printer writes the same facts to standard output only.
class PlainPrinter : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        printf("[ RUN      ] %s.%s\n", test.test_suite_name(), test.name());
        fflush(stdout);
    }
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.type() == testing::TestPartResult::kSuccess) {
            return;
        }
        printf("%s:%d: %s\n%s\n", result.file_name() ? result.file_name() : "unknown",
               result.line_number(), result.skipped() ? "Skipped" : "Failure", result.message());
        fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo& test) override {
        const char* verdict = test.result()->Failed() ? "  FAILED  " : "       OK ";
        printf("[%s] %s.%s (%lld ms)\n", verdict, test.test_suite_name(), test.name(),
               static_cast<long long>(test.result()->elapsed_time()));
        fflush(stdout);
    }
    void OnTestProgramEnd(const testing::UnitTest& unit) override {
        printf("[==========] %d tests ran: %d passed, %d failed, %d skipped.\n",
               unit.test_to_run_count(), unit.successful_test_count(), unit.failed_test_count(),
               unit.skipped_test_count());
        for (int i = 0; i < unit.total_test_suite_count(); ++i) {
            const testing::TestSuite* suite = unit.GetTestSuite(i);
            for (int j = 0; j < suite->total_test_count(); ++j) {
                const testing::TestInfo* test = suite->GetTestInfo(j);
                if (test->result()->Failed()) {
                    printf("[  FAILED  ] %s.%s\n", suite->name(), test->name());
                }
            }
        }
        fflush(stdout);
    }
};

} // namespace

std::wstring TestArgument(const wchar_t* name) {
    const auto found = g_arguments.find(name);
    if (found == g_arguments.end()) {
        ADD_FAILURE() << "the test program was given no argument " << testfs::Narrow(name) << "=";
        return std::wstring();
    }
    return found->second;
}

bool HasTestArgument(const wchar_t* name) {
    return g_arguments.count(name) != 0;
}

std::wstring TestPath(const wchar_t* name) {
    return winehost::FromHostPath(TestArgument(name));
}

// Wide, so that a path beyond ASCII arrives whole.
int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new PlainPrinter);
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        const size_t equals = argument.find(L'=');
        if (equals == std::wstring::npos || equals == 0) {
            fprintf(stderr, "%s: arguments are name=value, not %s\n",
                    testfs::Narrow(argv[0]).c_str(), testfs::Narrow(argument).c_str());
            return 2;
        }
        g_arguments[argument.substr(0, equals)] = argument.substr(equals + 1);
    }
    // Before any test points TMP elsewhere.
    testfs::TempDirectory();
    const int result = RUN_ALL_TESTS();
    // A filter that matches nothing must not pass for a green run.
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        fprintf(stderr, "%s: no test ran\n", testfs::Narrow(argv[0]).c_str());
        return 1;
    }
    return result;
}

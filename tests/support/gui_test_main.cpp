// Runs the desktop program's tests inside the program, started as `quorvex` starts.
// Listing the tests needs no display; running them does (ctest uses xvfb-run).

#include "gui_test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (!StartProgram(argv)) {
        std::fprintf(stderr, "The desktop program did not start (its tests need an X server).\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    EndProgram();
    return result;
}

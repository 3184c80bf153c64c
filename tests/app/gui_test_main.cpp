// Runs the desktop program's tests inside the program itself: each test process
// starts CQUORVEXApp as `quorvex` would (main window shown, document created)
// and drives it. Listing the tests, as the build does to register them, needs
// no display; running them does (ctest starts each under xvfb-run).

#include <wx/init.h>

#include "gui_test_support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new CQUORVEXApp);
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "The desktop program did not start (its tests need an X server).\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    // Close the window as the user would, without the save question.
    auto& app = *static_cast<CQUORVEXApp*>(wxTheApp);
    app.Document()->Modify(false);
    app.MainFrame()->Close(true);
    for (int i = 0; i < 5; ++i) app.ProcessIdle();
    app.OnExit();
    wxEntryCleanup();
    return result;
}

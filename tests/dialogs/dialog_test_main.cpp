// Runs the dialog tests inside a wxWidgets application. Listing the tests (as
// the build does to register them) needs no display; running them does, which
// the test registration provides with a virtual X server.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "No display: the dialog tests need an X server (xvfb-run).\n");
        return 1;
    }
    wxTheApp->OnInit();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

// Runs the desktop program's tests inside the program itself: each test process
// starts CQUORVEXApp as `quorvex` would (main window shown, document created)
// and drives it. Listing the tests, as the build does to register them, needs
// no display; running them does (ctest starts each under xvfb-run).

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/window.h>

#include <cstdio>

#include "app/quorvex_app.h"
#include "app/quorvex_doc.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

    wxApp::SetInstance(new CQUORVEXApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "No display: the desktop program's tests need an X server.\n");
        return 1;
    }
    if (!wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "The desktop program did not start.\n");
        wxEntryCleanup();
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    // Close the window as the user would, without the save question.
    auto* app = static_cast<CQUORVEXApp*>(wxTheApp);
    if (app->Document()) app->Document()->Modify(false);
    if (wxWindow* top = app->GetTopWindow()) top->Close(true);
    for (int i = 0; i < 5; ++i) app->ProcessIdle();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

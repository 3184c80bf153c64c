#include <cstdio>
#include <cstring>

#include "app/quorvex_app.h"

// --version is answered before the window system is touched, so that it works
// without a display.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvex %s\n", QUORVEX_VERSION);
            return 0;
        }
    return wxEntry(argc, argv);
}

wxIMPLEMENT_APP_NO_MAIN(CQUORVEXApp);

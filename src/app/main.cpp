#include "app/quorvex_app.h"

wxIMPLEMENT_APP(CQUORVEXApp);

#include "app/quorvex_doc.h"

// File > Import > "Garmin GPS ": downloads from a Garmin receiver into the stores.
void CQUORVEXDoc::OnImportGarmin(wxCommandEvent&) {}

// File > Import > "Magellan GPS ": downloads from a Magellan receiver into the stores.
void CQUORVEXDoc::OnImportMagellan(wxCommandEvent&) {}

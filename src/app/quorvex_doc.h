#pragma once
// The one document of the desktop program: it owns the geometry layers and the
// attribute tables for the whole run. File > New clears them, File > Save As
// writes the changed ones as shapefiles, and the import commands fill them.

#include <wx/docview.h>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

class CQUORVEXDoc : public wxDocument {
  public:
    CQUORVEXDoc();

    // Clears both stores, redraws the views and marks the document unmodified.
    // The path of an earlier Save As stays, so a later Save writes there again.
    bool OnNewDocument() override;
    // Reads nothing: a document named on the command line is taken in name only.
    bool OnOpenDocument(const wxString& path) override;
    // Writes every changed layer and table into the directory of `path`. The
    // document stays modified when anything could not be written.
    bool OnSaveDocument(const wxString& path) override;

    // File > Import commands (they run the transfers into the stores).
    void OnImportGarmin(wxCommandEvent& event);
    void OnImportMagellan(wxCommandEvent& event);

    GeometryStore m_geometryStore;
    AttributeStore m_attributeStore;

  private:
    wxDECLARE_DYNAMIC_CLASS(CQUORVEXDoc);
};

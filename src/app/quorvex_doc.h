#pragma once
// The one document of the desktop program: it owns the geometry layers and the
// attribute tables for the whole run. File > New clears them, File > Save As
// writes the changed ones as shapefiles, and the import commands fill them.

#include <wx/docview.h>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "shapefile/layer_export.h"

class CQUORVEXDoc : public wxDocument {
  public:
    CQUORVEXDoc();

    // Clears both stores, redraws the views and marks the document unmodified.
    // The path of an earlier Save As stays, so a later Save writes there again.
    bool OnNewDocument() override;
    // Reads nothing: a document named on the command line is taken in name only.
    bool OnOpenDocument(const wxString& path) override;
    // Writes every changed layer and table into the directory of `path`. Files
    // there that this document did not write for the same layer are replaced
    // only after the user agreed, once for all of them; "No" writes nothing. The
    // document stays modified when anything was not written.
    bool OnSaveDocument(const wxString& path) override;

    // File > Import commands: the port dialog, the connection, the "GPS
    // Interface" dialog (and for Garmin the picture dialog), then the chosen
    // transfers into the stores under the wait cursor.
    void OnImportGarmin(wxCommandEvent& event);
    void OnImportMagellan(wxCommandEvent& event);
    // File > Import > GPX Files...: a mounted receiver, GPX files or a folder of
    // them, then the "GPS Interface" dialog (track lines ticked) and the import.
    void OnImportGpx(wxCommandEvent& event);
    // File > Export > GPX...: the whole document into one GPX 1.1 file.
    void OnExportGpx(wxCommandEvent& event);
    // File > Import > Save Session Trace...: asks for the file that the next
    // Garmin or Magellan import writes its serial line into, every byte both
    // ways with times (the trace of quorvex-cli --trace). The item stays ticked
    // until that import; choosing it while ticked drops the choice.
    void OnSaveSessionTrace(wxCommandEvent& event);
    // What every import does at its end: the layers from `firstNewLayer` on
    // (those the import added) get names no earlier layer has (" (2)", " (3)"
    // ...), the total extent is computed, the views show every layer when the
    // import added any (else they keep their window) and are redrawn, and the
    // document is marked modified.
    void FinishImport(int firstNewLayer = GeometryStore::kMaxLayers);
    // The map view's window while the view has not chosen its view window yet,
    // else null. Its first drawing that finds layers takes the total extent,
    // which is known only at the end of an import: an import keeps this window
    // from being repainted before then. A map already shown keeps being
    // repainted, the new layers growing on it.
    wxWindow* MapAwaitingExtent() const;

    GeometryStore m_geometryStore;
    AttributeStore m_attributeStore;
    // What the saves of this document wrote where; File > New forgets it.
    WrittenFiles m_writtenFiles;
    // The trace file of the next Garmin or Magellan import, empty for none.
    wxString m_sessionTrace;

  private:
    wxDECLARE_DYNAMIC_CLASS(CQUORVEXDoc);
};

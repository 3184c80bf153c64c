#include "app/quorvex_doc.h"

#include <wx/filename.h>
#include <wx/utils.h>

#include <string>

#include "shapefile/layer_export.h"
#include "view/command_ids.h"

wxIMPLEMENT_DYNAMIC_CLASS(CQUORVEXDoc, wxDocument);

CQUORVEXDoc::CQUORVEXDoc() {
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportGarmin, this, ID_IMPORT_GARMIN);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportMagellan, this, ID_IMPORT_MAGELLAN);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportGpx, this, ID_IMPORT_GPX);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnExportGpx, this, ID_EXPORT_GPX);
}

bool CQUORVEXDoc::OnNewDocument() {
    m_geometryStore.Clear();
    m_attributeStore.Clear();
    UpdateAllViews();
    Modify(false);
    // Back to the default title; the path of an earlier save is kept on purpose.
    if (wxDocManager* manager = GetDocumentManager()) SetTitle(manager->MakeNewDocumentName());
    OnChangeFilename(true);
    return true;
}

bool CQUORVEXDoc::OnOpenDocument(const wxString& path) {
    // Nothing is read: the document only takes the file's name and path.
    SetTitle(wxFileNameFromPath(path));
    SetFilename(path, true);
    SetDocumentSaved(true);
    Modify(false);
    UpdateAllViews();
    return true;
}

bool CQUORVEXDoc::OnSaveDocument(const wxString& path) {
    wxBusyCursor wait;
    const std::string target(path.fn_str());
    const ExportResult result = ExportLayers(m_geometryStore, m_attributeStore, target);
    // Whatever could not be written stays modified, and so does the document,
    // so that closing the window still asks and nothing is lost silently.
    Modify(!result.allWritten);
    return result.allWritten;
}

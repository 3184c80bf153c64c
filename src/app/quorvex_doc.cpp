#include "app/quorvex_doc.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <string>
#include <vector>

#include "app/gui_feedback.h"
#include "view/command_ids.h"

wxIMPLEMENT_DYNAMIC_CLASS(CQUORVEXDoc, wxDocument);

CQUORVEXDoc::CQUORVEXDoc() {
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportGarmin, this, ID_IMPORT_GARMIN);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportMagellan, this, ID_IMPORT_MAGELLAN);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnImportGpx, this, ID_IMPORT_GPX);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnExportGpx, this, ID_EXPORT_GPX);
    Bind(wxEVT_MENU, &CQUORVEXDoc::OnSaveSessionTrace, this, ID_IMPORT_SESSION_TRACE);
    Bind(
        wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(!m_sessionTrace.empty()); },
        ID_IMPORT_SESSION_TRACE);
}

bool CQUORVEXDoc::OnNewDocument() {
    m_geometryStore.Clear();
    m_attributeStore.Clear();
    m_writtenFiles.Clear();
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
    auto confirm = [this](const std::vector<std::string>& files) {
        wxBusyCursorSuspender normalPointer;
        std::string text = "These files exist already and were not written by this document "
                           "for the same layers:\n";
        for (const std::string& file : files) text += "    " + file + "\n";
        text += "Replace them?";
        return wxMessageBox(FromCoreText(text), wxTheApp->GetAppDisplayName(),
                            wxYES_NO | wxICON_QUESTION, GetDocumentWindow()) == wxYES;
    };
    const ExportResult result =
        ExportLayers(m_geometryStore, m_attributeStore, target, &m_writtenFiles, confirm);
    // Whatever could not be written stays modified, and so does the document,
    // so that closing the window still asks and nothing is lost silently.
    Modify(!result.allWritten);
    return result.allWritten;
}

#include "app/quorvex_app.h"

#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/fs_arc.h>
#include <wx/image.h>

#include "app/about_dialog.h"
#include "app/demo_data.h"
#include "app/main_frame.h"
#include "app/quorvex_doc.h"
#include "app/single_doc_manager.h"
#include "view/quorvex_view.h"

CQUORVEXApp::CQUORVEXApp() : m_mainFrame(nullptr), m_demoData(false) {}

void CQUORVEXApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    parser.AddParam("document", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    // Fills the document with a small Garmin-like download, for trying the
    // program and for screenshots without a receiver.
    parser.AddSwitch("", "demo-data", "", wxCMD_LINE_HIDDEN);
}

bool CQUORVEXApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    if (!wxApp::OnCmdLineParsed(parser)) return false;
    if (parser.GetParamCount() > 0) m_documentName = parser.GetParam(0);
    m_demoData = parser.Found("demo-data");
    return true;
}

bool CQUORVEXApp::OnInit() {
    // The framework's settings (the recent-file list) live in wxConfig under
    // these names; nothing else is kept between runs.
    SetVendorName("Local AppWizard-Generated Applications");
    SetAppName("QUORVEX");
    SetAppDisplayName("QUORVEX");
    if (!wxApp::OnInit()) return false;

    wxInitAllImageHandlers();
    wxFileSystem::AddHandler(new wxArchiveFSHandler);  // the help book is a zip archive
    SetFeedback(&m_feedback);
    Bind(wxEVT_MENU, &CQUORVEXApp::OnAbout, this, wxID_ABOUT);

    auto* manager = new SingleDocManager;
    manager->SetMaxDocsOpen(1);
    new wxDocTemplate(manager, "QUORVE Document", "*.*", "", "", "QUORVEX.Document", "QUORVEX View",
                      wxCLASSINFO(CQUORVEXDoc), wxCLASSINFO(CQUORVEXView));
    manager->FileHistoryLoad(*wxConfig::Get());

    m_mainFrame = new CMainFrame(manager);
    SetTopWindow(m_mainFrame);

    // A name on the command line is taken in name only: nothing is read.
    wxDocument* doc = m_documentName.empty()
                          ? manager->CreateDocument("", wxDOC_NEW)
                          : manager->CreateDocument(m_documentName, wxDOC_SILENT);
    if (!doc) {
        m_mainFrame->Destroy();
        m_mainFrame = nullptr;
        return false;
    }
    if (m_demoData) {
        auto* quorvexDoc = static_cast<CQUORVEXDoc*>(doc);
        FillDemoData(quorvexDoc->m_geometryStore, quorvexDoc->m_attributeStore);
        quorvexDoc->UpdateAllViews();
        quorvexDoc->Modify(true);
    }
    m_mainFrame->Show();
    m_mainFrame->Update();
    return true;
}

int CQUORVEXApp::OnExit() {
    if (wxDocManager* manager = wxDocManager::GetDocumentManager()) {
        manager->FileHistorySave(*wxConfig::Get());
        delete manager;
    }
    SetFeedback(nullptr);
    m_mainFrame = nullptr;
    return wxApp::OnExit();
}

CQUORVEXDoc* CQUORVEXApp::Document() const {
    wxDocManager* manager = wxDocManager::GetDocumentManager();
    return manager ? wxDynamicCast(manager->GetCurrentDocument(), CQUORVEXDoc) : nullptr;
}

CQUORVEXView* CQUORVEXApp::View() const {
    wxDocManager* manager = wxDocManager::GetDocumentManager();
    return manager ? wxDynamicCast(manager->GetCurrentView(), CQUORVEXView) : nullptr;
}

void CQUORVEXApp::OnAbout(wxCommandEvent&) {
    CAboutDlg about(m_mainFrame);
    about.ShowModal();
}

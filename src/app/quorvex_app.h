#pragma once
// The desktop program: start-up (settings, document template, main window, the
// document, a document name from the command line), the About box, and the
// binding of the core's messages and progress texts to the window.

#include <wx/app.h>

#include "app/gui_feedback.h"

class CMainFrame;
class CQUORVEXDoc;
class CQUORVEXView;

class CQUORVEXApp : public wxApp {
  public:
    CQUORVEXApp();

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

    CMainFrame* MainFrame() const { return m_mainFrame; }
    CQUORVEXDoc* Document() const;
    CQUORVEXView* View() const;

  private:
    void OnAbout(wxCommandEvent& event);

    GuiFeedback m_feedback;
    CMainFrame* m_mainFrame;
    wxString m_documentName;
    bool m_demoData;
};

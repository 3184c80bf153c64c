#pragma once
// The main window: menu, toolbar, status bar (message pane and the CAP, NUM,
// SCRL indicators), the layers bar fixed at the left edge and the map view's
// window beside it. It publishes the status bar and the layers bar through
// g_pStatusBar and g_pLayersBar, and opens the user's manual.

#include <wx/docview.h>

#include <memory>
#include <vector>

class CLayersBar;
class wxHtmlHelpController;

class CMainFrame : public wxDocParentFrame {
  public:
    explicit CMainFrame(wxDocManager* manager);
    ~CMainFrame() override;

    // Help > User's manual: the help book beside the program. When the book is
    // missing nothing is shown, now and for the rest of the run.
    void ShowUserManual();
    void ShowUserManual(const wxString& book);
    // The help book's path: QUORVEX.htb in the program's own directory.
    static wxString ManualBookPath();
    bool ManualShown() const;

    // While a transfer runs the frame takes no input but its Cancel button (in
    // the status bar beside the progress text) and Esc, which ask the transfer
    // to stop; closing the window asks the same and waits for the transfer.
    void BeginTransfer();
    void EndTransfer();
    bool TransferRunning() const { return m_transferRunning; }
    wxWindow* CancelButton() const { return m_cancelButton; }

    wxStatusBar* m_wndStatusBar;
    wxToolBar* m_wndToolBar;
    CLayersBar* m_wndLayersBar;

  private:
    void CreateMenus();
    void CreateTools();
    void UpdateKeyIndicators();

    void OnUserManual(wxCommandEvent& event);
    void OnViewToolbar(wxCommandEvent& event);
    void OnUpdateViewToolbar(wxUpdateUIEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnCancelTransfer(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);
    void PlaceCancelButton();

    std::unique_ptr<wxHtmlHelpController> m_help;
    bool m_helpFailed;
    bool m_transferRunning;
    wxWindow* m_cancelButton;
    std::vector<wxWindow*> m_disabledDuringTransfer;
};

#include "app/gui_feedback.h"

#include <wx/app.h>
#include <wx/cursor.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "app/main_frame.h"
#include "view/view_globals.h"

namespace {

CMainFrame* MainFrame() {
    return wxTheApp ? wxDynamicCast(wxTheApp->GetTopWindow(), CMainFrame) : nullptr;
}

// Handles what is pending, paints included. While a transfer runs the main
// frame takes only its Cancel button and Esc; otherwise every window is
// disabled for input meanwhile.
void PaintPending() {
    if (!wxTheApp) return;
    CMainFrame* frame = MainFrame();
    if (frame && frame->TransferRunning()) {
        wxTheApp->Yield(true);
        return;
    }
    wxWindowDisabler disabler;
    wxTheApp->Yield(true);
}

}  // namespace

GuiFeedback* CurrentGuiFeedback() {
    return dynamic_cast<GuiFeedback*>(&Feedback());
}

wxString FromCoreText(const std::string& text) {
    wxString converted = wxString::FromUTF8(text.c_str());
    return converted.empty() && !text.empty() ? wxString(text.c_str(), wxConvISO8859_1) : converted;
}

void GuiFeedback::ShowMessage(const std::string& text) {
    FlushProgress();
    wxBusyCursorSuspender normalPointer;
    wxMessageBox(FromCoreText(text), wxTheApp ? wxTheApp->GetAppDisplayName() : "QUORVEX", wxOK);
}

void GuiFeedback::ShowProgress(const std::string& text) {
    if (!g_pStatusBar) return;  // no main window yet, or no longer
    // Setting the pane's text repaints it at once, so a text that comes within
    // kPaintInterval of the last paint is only kept for later.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastPaint < kPaintInterval) {
        m_heldText = text;
        m_textHeld = true;
        return;
    }
    m_lastPaint = now;
    m_textHeld = false;
    g_pStatusBar->SetStatusText(FromCoreText(text), 0);
    g_pStatusBar->Update();
    PaintPending();
}

void GuiFeedback::FlushProgress() {
    if (!m_textHeld) return;
    m_textHeld = false;
    if (g_pStatusBar) g_pStatusBar->SetStatusText(FromCoreText(m_heldText), 0);
}

ReceiverBusy::ReceiverBusy(wxWindow* heldWindow) : m_disabler(MainFrame()) {
    if (GuiFeedback* feedback = CurrentGuiFeedback()) feedback->ResetCancel();
    if (CMainFrame* frame = MainFrame()) frame->BeginTransfer();
    if (heldWindow) m_held.Lock(heldWindow);
    PaintPending();
}

ReceiverBusy::~ReceiverBusy() {
    if (GuiFeedback* feedback = CurrentGuiFeedback()) feedback->FlushProgress();
    if (CMainFrame* frame = MainFrame()) frame->EndTransfer();
}

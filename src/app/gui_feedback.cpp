#include "app/gui_feedback.h"

#include <wx/app.h>
#include <wx/cursor.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "view/view_globals.h"

namespace {

// Handles what is pending, paints included, with every window disabled for
// input (already so inside ReceiverBusy; then this disables nothing more).
void PaintPending() {
    if (!wxTheApp) return;
    wxWindowDisabler disabler;
    wxTheApp->Yield(true);
}

}  // namespace

wxString FromCoreText(const std::string& text) {
    wxString converted = wxString::FromUTF8(text.c_str());
    return converted.empty() && !text.empty() ? wxString(text.c_str(), wxConvISO8859_1) : converted;
}

void GuiFeedback::ShowMessage(const std::string& text) {
    wxBusyCursorSuspender normalPointer;
    wxMessageBox(FromCoreText(text), wxTheApp ? wxTheApp->GetAppDisplayName() : "QUORVEX", wxOK);
}

void GuiFeedback::ShowProgress(const std::string& text) {
    if (!g_pStatusBar) return;  // no main window yet, or no longer
    g_pStatusBar->SetStatusText(FromCoreText(text), 0);
    g_pStatusBar->Update();
    PaintPending();
}

ReceiverBusy::ReceiverBusy(wxWindow* heldWindow) {
    if (heldWindow) m_held.Lock(heldWindow);
    PaintPending();
}

#include "app/gui_feedback.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "view/view_globals.h"

namespace {

wxString FromCoreText(const std::string& text) {
    // Core texts are 8-bit; receiver names may carry Latin-1 bytes.
    wxString converted = wxString::FromUTF8(text.c_str());
    return converted.empty() && !text.empty() ? wxString(text.c_str(), wxConvISO8859_1) : converted;
}

}  // namespace

void GuiFeedback::ShowMessage(const std::string& text) {
    wxMessageBox(FromCoreText(text), wxTheApp ? wxTheApp->GetAppDisplayName() : "QUORVEX", wxOK);
}

void GuiFeedback::ShowProgress(const std::string& text) {
    if (!g_pStatusBar) return;  // no main window yet, or no longer
    g_pStatusBar->SetStatusText(FromCoreText(text), 0);
    g_pStatusBar->Update();
    // A transfer runs on this thread: let the repaint through, but no user input.
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_UI);
}

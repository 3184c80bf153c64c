#include "app/main_frame.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/stdpaths.h>
#include <wx/toolbar.h>

#include "app/app_art.h"
#include "app/gui_feedback.h"
#include "app/key_indicators.h"
#include "view/command_ids.h"
#include "view/layers_bar.h"
#include "view/view_globals.h"

namespace {
// Status-bar panes, left to right.
// The Cancel pane has no width unless a transfer runs.
enum Pane { kMessagePane, kCancelPane, kCapsPane, kNumPane, kScrollPane, kPaneCount };

struct Indicator {
    Pane pane;
    LockKey key;
    const char* text;
};

constexpr Indicator kIndicators[] = {
    {kCapsPane, LockKey::Caps, "CAP"},
    {kNumPane, LockKey::Num, "NUM"},
    {kScrollPane, LockKey::Scroll, "SCRL"},
};

}  // namespace

CMainFrame::CMainFrame(wxDocManager* manager)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, "QUORVEX", wxDefaultPosition, wxSize(1000, 720)),
      m_wndStatusBar(nullptr),
      m_wndToolBar(nullptr),
      m_wndLayersBar(nullptr),
      m_helpFailed(false),
      m_transferRunning(false),
      m_cancelButton(nullptr) {
    wxIcon icon;
    icon.CopyFromBitmap(ProgramPicture(32));
    SetIcon(icon);

    CreateMenus();
    CreateTools();

    m_wndStatusBar = CreateStatusBar(kPaneCount, wxSTB_DEFAULT_STYLE, ID_VIEW_STATUS_BAR);
    int widths[kPaneCount] = {-1, 0, 0, 0, 0};
    for (const Indicator& indicator : kIndicators)
        widths[indicator.pane] = m_wndStatusBar->GetTextExtent(indicator.text).GetWidth() + 16;
    m_wndStatusBar->SetStatusWidths(kPaneCount, widths);
    m_wndStatusBar->SetStatusText("Ready", kMessagePane);
    m_cancelButton = new wxButton(m_wndStatusBar, ID_TRANSFER_CANCEL, "Cancel", wxDefaultPosition,
                                  wxDefaultSize, wxBU_EXACTFIT);
    m_cancelButton->SetToolTip("Stop the transfer (Esc); what arrived is kept.");
    m_cancelButton->Hide();
    m_cancelButton->Bind(wxEVT_BUTTON, &CMainFrame::OnCancelTransfer, this);
    m_wndStatusBar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        PlaceCancelButton();
    });

    // The layers bar is fixed at the left edge; the view puts its window beside it.
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    m_wndLayersBar = new CLayersBar(this);
    row->Add(m_wndLayersBar, 0, wxEXPAND);
    SetSizer(row);

    g_pStatusBar = m_wndStatusBar;
    g_pLayersBar = m_wndLayersBar;
    UpdateKeyIndicators();

    Bind(wxEVT_MENU, &CMainFrame::OnUserManual, this, ID_HELP_USERS_MANUAL);
    Bind(wxEVT_MENU, &CMainFrame::OnViewToolbar, this, ID_VIEW_TOOLBAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewToolbar, this, ID_VIEW_TOOLBAR);
    Bind(wxEVT_MENU, &CMainFrame::OnViewStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateViewStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
}

void CMainFrame::BeginTransfer() {
    if (m_transferRunning) return;
    m_transferRunning = true;
    // Everything but the status bar stops taking input; the menus too, whose
    // commands would change the document under the transfer.
    for (wxWindow* child : GetChildren())
        if (child != m_wndStatusBar && child->IsEnabled()) {
            child->Disable();
            m_disabledDuringTransfer.push_back(child);
        }
    if (wxMenuBar* bar = GetMenuBar())
        for (size_t i = 0; i < bar->GetMenuCount(); ++i) bar->EnableTop(i, false);
    int widths[kPaneCount] = {-1, m_cancelButton->GetBestSize().GetWidth() + 8, 0, 0, 0};
    for (const Indicator& indicator : kIndicators)
        widths[indicator.pane] = m_wndStatusBar->GetTextExtent(indicator.text).GetWidth() + 16;
    m_wndStatusBar->SetStatusWidths(kPaneCount, widths);
    PlaceCancelButton();
    m_cancelButton->Show();
    m_cancelButton->SetFocus();  // Esc reaches the frame through the focused button
}

void CMainFrame::EndTransfer() {
    if (!m_transferRunning) return;
    m_transferRunning = false;
    m_cancelButton->Hide();
    int widths[kPaneCount] = {-1, 0, 0, 0, 0};
    for (const Indicator& indicator : kIndicators)
        widths[indicator.pane] = m_wndStatusBar->GetTextExtent(indicator.text).GetWidth() + 16;
    m_wndStatusBar->SetStatusWidths(kPaneCount, widths);
    for (wxWindow* child : m_disabledDuringTransfer) child->Enable();
    m_disabledDuringTransfer.clear();
    if (wxMenuBar* bar = GetMenuBar())
        for (size_t i = 0; i < bar->GetMenuCount(); ++i) bar->EnableTop(i, true);
}

void CMainFrame::PlaceCancelButton() {
    if (!m_cancelButton || !m_wndStatusBar) return;
    wxRect pane;
    if (m_wndStatusBar->GetFieldRect(kCancelPane, pane)) m_cancelButton->SetSize(pane);
}

void CMainFrame::OnCancelTransfer(wxCommandEvent&) {
    if (GuiFeedback* feedback = CurrentGuiFeedback(); feedback && m_transferRunning)
        feedback->RequestCancel();
}

void CMainFrame::OnCharHook(wxKeyEvent& event) {
    if (!m_transferRunning) {
        event.Skip();
        return;
    }
    // No other key may reach a command (an accelerator) while the transfer runs.
    if (event.GetKeyCode() == WXK_ESCAPE) {
        wxCommandEvent cancel(wxEVT_BUTTON, ID_TRANSFER_CANCEL);
        OnCancelTransfer(cancel);
    }
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    if (m_transferRunning && event.CanVeto()) {
        wxCommandEvent cancel(wxEVT_BUTTON, ID_TRANSFER_CANCEL);
        OnCancelTransfer(cancel);
        event.Veto();
        return;
    }
    event.Skip();
}

CMainFrame::~CMainFrame() {
    g_pStatusBar = nullptr;
    g_pLayersBar = nullptr;
}

void CMainFrame::CreateMenus() {
    auto* file = new wxMenu;
    file->Append(wxID_NEW, "&New\tCtrl+N", "Create a new document");
    file->Append(wxID_OPEN, "&Open...\tCtrl+O", "Open an existing document");
    file->Append(wxID_SAVEAS, "Save &As...", "Save the active document with a new name");
    file->AppendSeparator();
    auto* import = new wxMenu;
    import->Append(ID_IMPORT_GARMIN, "Garmin GPS ",
                   "Read Waypoints/Routes/Tracks from a GARMIN GPS using proprietary protocol.");
    import->Append(ID_IMPORT_MAGELLAN, "Magellan GPS ",
                   "Read Magellan GPS data using the National Marine Electronics Association "
                   "(NMEA 0183) protocol.");
    import->Append(ID_IMPORT_GPX, "GPX Files...",
                   "Read Waypoints/Routes/Tracks from GPX files, or from a GPS mounted as a drive.");
    import->AppendSeparator();
    import->AppendCheckItem(ID_IMPORT_SESSION_TRACE, "Save Session &Trace...",
                            "Write every byte of the next Garmin or Magellan import's serial "
                            "line into a file, for a report of a receiver that misbehaves.");
    file->AppendSubMenu(import, "&Import");
    auto* exportMenu = new wxMenu;
    exportMenu->Append(ID_EXPORT_GPX, "GPX...", "Write every layer into one GPX file.");
    file->AppendSubMenu(exportMenu, "&Export");
    file->AppendSeparator();
    file->Append(wxID_PRINT, "&Print...\tCtrl+P", "Print the active document");
    file->Append(wxID_PREVIEW, "Print Pre&view", "Display full pages");
    file->Append(wxID_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options");
    file->AppendSeparator();
    file->Append(wxID_EXIT, "E&xit", "Quit the application; prompts to save documents");
    file->AppendSeparator();

    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar");
    view->AppendCheckItem(ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar");
    view->AppendCheckItem(ID_VIEW_GRID, "Grid", "Display location grid.");
    view->Append(ID_VIEW_ZOOMOUT, "Zoom Out", "Zoom to full data extent.");
    view->Append(ID_VIEW_ZOOMALL, "Zoom to &All\tHome", "Show every layer.");
    view->AppendCheckItem(ID_VIEW_WAYPOINT_NAMES, "&Waypoint Names",
                          "Write each waypoint's name beside its symbol.");

    auto* help = new wxMenu;
    help->Append(wxID_ABOUT, "&About QUORVEX...",
                 "Display program information, version number and copyright");
    help->Append(ID_HELP_USERS_MANUAL, "User's manual", "Display on-line users manual");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(view, "&View");
    bar->Append(help, "&Help");
    SetMenuBar(bar);
    view->Check(ID_VIEW_GRID, true);

    // Save has no menu item, only its button and Ctrl+S.
    wxAcceleratorEntry keys[] = {wxAcceleratorEntry(wxACCEL_CTRL, 'S', wxID_SAVE)};
    SetAcceleratorTable(wxAcceleratorTable(1, keys));
}

void CMainFrame::CreateTools() {
    m_wndToolBar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL, ID_VIEW_TOOLBAR);
    const wxSize size(16, 16);
    auto art = [&](const wxArtID& id) { return wxArtProvider::GetBitmap(id, wxART_TOOLBAR, size); };
    m_wndToolBar->SetToolBitmapSize(size);
    m_wndToolBar->AddTool(wxID_NEW, "New", art(wxART_NEW), "New", wxITEM_NORMAL);
    m_wndToolBar->SetToolLongHelp(wxID_NEW, "Create a new document");
    m_wndToolBar->AddTool(wxID_OPEN, "Open", art(wxART_FILE_OPEN), "Open", wxITEM_NORMAL);
    m_wndToolBar->SetToolLongHelp(wxID_OPEN, "Open an existing document");
    m_wndToolBar->AddTool(wxID_SAVE, "Save", art(wxART_FILE_SAVE), "Save", wxITEM_NORMAL);
    m_wndToolBar->SetToolLongHelp(wxID_SAVE, "Save the active document");
    m_wndToolBar->AddSeparator();
    m_wndToolBar->AddTool(ID_VIEW_ZOOMOUT, "Zoom Out", ZoomOutToolBitmap(), wxNullBitmap,
                          wxITEM_NORMAL, "", "Zoom to full data extent.");
    m_wndToolBar->AddTool(ID_VIEW_ZOOMALL, "Zoom to All", ZoomAllToolBitmap(), wxNullBitmap,
                          wxITEM_NORMAL, "Zoom to All", "Show every layer.");
    m_wndToolBar->AddTool(ID_VIEW_GRID, "Grid", GridToolBitmap(), wxNullBitmap, wxITEM_CHECK, "",
                          "Display location grid.");
    m_wndToolBar->AddSeparator();
    m_wndToolBar->AddTool(wxID_PRINT, "Print", art(wxART_PRINT), "Print", wxITEM_NORMAL);
    m_wndToolBar->SetToolLongHelp(wxID_PRINT, "Print the active document");
    m_wndToolBar->AddSeparator();
    m_wndToolBar->AddTool(wxID_ABOUT, "About", art(wxART_HELP), "About", wxITEM_NORMAL);
    m_wndToolBar->SetToolLongHelp(wxID_ABOUT,
                                  "Display program information, version number and copyright");
    m_wndToolBar->Realize();
    m_wndToolBar->ToggleTool(ID_VIEW_GRID, true);
}

void CMainFrame::UpdateKeyIndicators() {
    if (!m_wndStatusBar) return;
    for (const Indicator& indicator : kIndicators) {
        const wxString text = LockKeyOn(indicator.key) ? indicator.text : "";
        if (m_wndStatusBar->GetStatusText(indicator.pane) != text)
            m_wndStatusBar->SetStatusText(text, indicator.pane);
    }
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    UpdateKeyIndicators();
    event.Skip();
}

void CMainFrame::OnViewToolbar(wxCommandEvent&) {
    m_wndToolBar->Show(!m_wndToolBar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnUpdateViewToolbar(wxUpdateUIEvent& event) {
    event.Check(m_wndToolBar->IsShown());
}

void CMainFrame::OnViewStatusBar(wxCommandEvent&) {
    m_wndStatusBar->Show(!m_wndStatusBar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event) {
    event.Check(m_wndStatusBar->IsShown());
}

wxString CMainFrame::ManualBookPath() {
    wxFileName book(wxStandardPaths::Get().GetExecutablePath());
    book.SetFullName("QUORVEX.htb");
    return book.GetFullPath();
}

void CMainFrame::OnUserManual(wxCommandEvent&) {
    ShowUserManual();
}

void CMainFrame::ShowUserManual() {
    ShowUserManual(ManualBookPath());
}

void CMainFrame::ShowUserManual(const wxString& book) {
    if (m_helpFailed) return;
    if (!m_help) {
        if (!wxFileExists(book)) {
            m_helpFailed = true;
            return;
        }
        // No parent: the help window is a window of its own and the controller
        // closes it when the main frame goes.
        auto help = std::make_unique<wxHtmlHelpController>(wxHF_DEFAULT_STYLE);
        help->SetTitleFormat("QUORVEX User's Manual: %s");
        if (!help->AddBook(wxFileName(book))) {
            m_helpFailed = true;
            return;
        }
        m_help = std::move(help);
    }
    m_help->DisplayContents();
}

bool CMainFrame::ManualShown() const {
    return m_help && m_help->GetFrame();
}

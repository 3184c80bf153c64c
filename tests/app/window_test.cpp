// The main window and the document: the start state, the About box, the core's
// messages and progress texts, the lock keys and Esc, the manual, then a document
// named on the command line, a failed save, and File > New with its save question.

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include "app/demo_data.h"
#include "app/gui_feedback.h"
#include "gui_test_support.h"
#include "quorvex_test.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

using Window = GuiTest;

TEST_F(Window, StartStateMessagesKeysManualThenANamedDocumentFailedSaveAndNew) {
    EXPECT_EQ(Frame().GetTitle(), "Untitled - QUORVEX");
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(Frame().GetMenuBar()->IsEnabled(wxID_OPEN));
    EXPECT_FALSE(Frame().GetToolBar()->GetToolEnabled(wxID_OPEN));
    EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(ID_VIEW_GRID));

    DialogScript script;
    script.Then("About QUORVEX", [](wxDialog&) {});
    Command(wxID_ABOUT);
    EXPECT_TRUE(script.Done());

    ShowProgress(" Transfering Waypoints 3 of 20");
    EXPECT_EQ(g_pStatusBar->GetStatusText(0), " Transfering Waypoints 3 of 20");
    ShowMessage("Could not open Serial port /dev/ttyS1\nErr = 2");
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"Could not open Serial port /dev/ttyS1\nErr = 2"});
    EXPECT_EQ(script.titles.back(), "QUORVEX");

    // Caps Lock pressed and released once turns the lock on or off; again, back.
    wxUIActionSimulator keys;
    const wxString before = g_pStatusBar->GetStatusText(2);
    keys.Char(WXK_CAPITAL);
    Pump(300);
    const wxString toggled = g_pStatusBar->GetStatusText(2);
    EXPECT_NE(toggled, before);
    EXPECT_TRUE(toggled == "CAP" || before == "CAP");
    keys.Char(WXK_CAPITAL);
    Pump(300);
    EXPECT_EQ(g_pStatusBar->GetStatusText(2), before);

    // While a transfer runs Esc asks it to stop; the next transfer starts afresh.
    for (int run = 0; run < 2; ++run) {
        ReceiverBusy busy(nullptr);
        EXPECT_FALSE(Feedback().CancelRequested());
        if (run == 0) keys.Char(WXK_ESCAPE);
        Pump(300);
        EXPECT_EQ(Feedback().CancelRequested(), run == 0);
    }

    // The built manual indexes every command; the tests run beside no help book,
    // and then the command does nothing.
    const wxString book = wxString(BinDir()) + "/QUORVEX.htb";
    wxHtmlHelpController help(wxHF_DEFAULT_STYLE);
    ASSERT_TRUE(help.AddBook(wxFileName(book))) << book;
    const wxHtmlHelpDataItems& index = help.GetHelpData()->GetIndexArray();
    for (const char* topic :
         {"New", "Save As", "Import", "Garmin GPS", "Magellan GPS", "Print", "Print Preview",
          "Print Setup", "Exit", "Toolbar", "Status Bar", "Grid", "Zoom Out", "About QUORVEX",
          "User's manual", "Picture matching", "Serial ports", "QUORVEX.XRF", "Layers bar"}) {
        bool found = false;
        for (size_t i = 0; i < index.size() && !found; ++i) found = index[i].name == topic;
        EXPECT_TRUE(found) << topic;
    }
    ASSERT_FALSE(wxFileExists(CMainFrame::ManualBookPath()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        Command(ID_HELP_USERS_MANUAL);
        EXPECT_FALSE(Frame().ManualShown());
        EXPECT_EQ(wxTopLevelWindows.GetCount(), 1u);
    }

    // A name on the command line is taken in name only.
    TempDir dir;
    EXPECT_TRUE(Doc().OnOpenDocument(dir.File("Trip.shp")));
    EXPECT_EQ(Frame().GetTitle(), "Trip.shp - QUORVEX");
    EXPECT_FALSE(FileExists(dir.File("Trip.shp")));

    FillDemoData(Doc().m_geometryStore, Doc().m_attributeStore);
    FinishImport();
    {
        DialogScript cancel(wxID_CANCEL);
        Command(wxID_NEW);
        EXPECT_EQ(cancel.messages,
                  std::vector<std::string>{"Do you want to save changes to Trip.shp?"});
    }
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 4);  // cancel keeps everything
    EXPECT_TRUE(Doc().IsModified());
    {
        // A save that fails keeps the document modified, so nothing is lost silently.
        RecordingFeedback feedback;
        EXPECT_FALSE(Doc().OnSaveDocument("/nonexistent-quorvex-dir/out.shp"));
        EXPECT_TRUE(Doc().IsModified());
        EXPECT_FALSE(feedback.messages.empty());
    }
    {
        DialogScript no(wxID_NO);
        Command(wxID_NEW);
        EXPECT_EQ(no.messages.size(), 1u);
    }
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);
    EXPECT_EQ(Doc().m_attributeStore.tableCount, 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(View().m_extentSet);
    for (int k = 0; k < CLayersBar::kBoxes; ++k) {
        EXPECT_FALSE(LayersBar().Box(k)->GetValue()) << k;
        EXPECT_TRUE(LayersBar().Box(k)->GetLabel().Trim().empty()) << k;
    }
    // The default title comes back, but the path stays for a later Save.
    EXPECT_EQ(Frame().GetTitle(), "Untitled - QUORVEX");
    EXPECT_EQ(Doc().GetFilename(), wxString(dir.File("Trip.shp")));

    // An unmodified document is cleared without a question.
    DialogScript none;
    Command(wxID_NEW);
    EXPECT_TRUE(none.titles.empty());
}

// The program as it starts, its menus and bars, the About box, the manual and
// the binding of the core's messages and progress texts.

#include <wx/checkbox.h>
#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include "app/gui_feedback.h"
#include "gui_test_support.h"
#include "test_files.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

namespace {

using StartUp = GuiTest;

}  // namespace

TEST_F(StartUp, TitleBarsAndCommandStates) {
    EXPECT_EQ(Frame().GetTitle(), "Untitled - QUORVEX");
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Doc().m_geometryStore.layerCount, 0);

    // Globals point at the main frame's bars.
    EXPECT_EQ(g_pStatusBar, Frame().GetStatusBar());
    EXPECT_EQ(g_pLayersBar, &LayersBar());
    EXPECT_EQ(g_pStatusBar->GetFieldsCount(), 4);
    EXPECT_EQ(g_pStatusBar->GetStatusText(0), "Ready");

    // The layers bar: blank, cleared boxes with the IDs 1015..1034.
    for (int k = 0; k < CLayersBar::kBoxes; ++k) {
        auto* box = wxDynamicCast(LayersBar().FindWindow(IDC_LAYER_FIRST + k), wxCheckBox);
        ASSERT_NE(box, nullptr) << k;
        EXPECT_FALSE(box->GetValue());
        EXPECT_TRUE(box->GetLabel().Trim().empty());
    }

    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    wxMenuBar* menus = Frame().GetMenuBar();
    EXPECT_TRUE(menus->IsChecked(ID_VIEW_GRID));
    EXPECT_FALSE(menus->IsEnabled(wxID_OPEN));
    EXPECT_TRUE(menus->IsChecked(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(menus->IsChecked(ID_VIEW_STATUS_BAR));
    wxToolBar* tools = Frame().GetToolBar();
    EXPECT_TRUE(tools->GetToolState(ID_VIEW_GRID));
    EXPECT_FALSE(tools->GetToolEnabled(wxID_OPEN));
}

TEST_F(StartUp, AboutBox) {
    DialogAnswer answer(wxID_OK);
    Command(wxID_ABOUT);
    ASSERT_EQ(answer.titles.size(), 1u);
    EXPECT_EQ(answer.titles[0], "About QUORVEX");
    EXPECT_NE(answer.texts[0].find("QUORVEX Version 1.5"), std::string::npos);
}

TEST_F(StartUp, MissingManualDoesNothingAlsoTheSecondTime) {
    // The tests run beside no help book.
    ASSERT_FALSE(wxFileExists(CMainFrame::ManualBookPath()));
    Command(ID_HELP_USERS_MANUAL);
    EXPECT_FALSE(Frame().ManualShown());
    Command(ID_HELP_USERS_MANUAL);
    EXPECT_FALSE(Frame().ManualShown());
    EXPECT_EQ(wxTopLevelWindows.GetCount(), 1u);
}

TEST_F(StartUp, BuiltManualIsAHelpBookWithEveryCommand) {
    const wxString book = wxString(BinDir()) + "/QUORVEX.htb";
    ASSERT_TRUE(wxFileExists(book)) << book;
    wxHtmlHelpController help(wxHF_DEFAULT_STYLE);
    ASSERT_TRUE(help.AddBook(wxFileName(book)));
    // The index names the commands of every menu and the topics around them.
    const wxHtmlHelpDataItems& index = help.GetHelpData()->GetIndexArray();
    for (const char* topic :
         {"New", "Save As", "Import", "Garmin GPS", "Magellan GPS", "Print", "Print Preview",
          "Print Setup", "Exit", "Toolbar", "Status Bar", "Grid", "Zoom Out", "About QUORVEX",
          "User's manual", "Picture matching", "Serial ports", "QUORVEX.XRF", "Layers bar"}) {
        bool found = false;
        for (size_t i = 0; i < index.size() && !found; ++i) found = index[i].name == topic;
        EXPECT_TRUE(found) << topic;
    }
}

TEST_F(StartUp, CoreMessagesAndProgressReachTheWindow) {
    ShowProgress(" Transfering Waypoints 3 of 20");
    EXPECT_EQ(g_pStatusBar->GetStatusText(0), " Transfering Waypoints 3 of 20");

    DialogAnswer answer(wxID_OK);
    ShowMessage("Could not open Serial port /dev/ttyS1\nErr = 2");
    ASSERT_EQ(answer.messages.size(), 1u);
    EXPECT_EQ(answer.messages[0], "Could not open Serial port /dev/ttyS1\nErr = 2");
    EXPECT_EQ(answer.titles[0], "QUORVEX");
}

TEST_F(StartUp, LockKeysShowInTheirPanes) {
    // Caps Lock pressed and released once turns the lock on; again turns it off.
    wxUIActionSimulator keys;
    const wxString before = g_pStatusBar->GetStatusText(1);
    keys.Char(WXK_CAPITAL);
    Pump(300);
    EXPECT_NE(g_pStatusBar->GetStatusText(1), before);
    EXPECT_TRUE(g_pStatusBar->GetStatusText(1) == "CAP" || before == "CAP");
    keys.Char(WXK_CAPITAL);
    Pump(300);
    EXPECT_EQ(g_pStatusBar->GetStatusText(1), before);
}

// The program as it starts, its menus and bars, the About box, the manual and
// the binding of the core's messages and progress texts.

#include <wx/checkbox.h>
#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

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

TEST_F(StartUp, MenuItemsCarryTheirPrompts) {
    wxMenuBar* menus = Frame().GetMenuBar();
    struct Item {
        int id;
        const char* label;
        const char* help;
    };
    const Item items[] = {
        {wxID_NEW, "&New\tCtrl+N", "Create a new document"},
        {wxID_SAVEAS, "Save &As...", "Save the active document with a new name"},
        {ID_IMPORT_GARMIN, "Garmin GPS ",
         "Read Waypoints/Routes/Tracks from a GARMIN GPS using proprietary protocol."},
        {ID_IMPORT_MAGELLAN, "Magellan GPS ",
         "Read Magellan GPS data using the National Marine Electronics Association (NMEA 0183) "
         "protocol."},
        {wxID_PREVIEW, "Print Pre&view", "Display full pages"},
        {ID_VIEW_GRID, "Grid", "Display location grid."},
        {ID_VIEW_ZOOMOUT, "Zoom Out", "Zoom to full data extent."},
        {ID_HELP_USERS_MANUAL, "User's manual", "Display on-line users manual"},
    };
    for (const Item& item : items) {
        wxMenuItem* menuItem = menus->FindItem(item.id);
        ASSERT_NE(menuItem, nullptr) << item.label;
        EXPECT_EQ(menuItem->GetItemLabel(), item.label);
        EXPECT_EQ(menuItem->GetHelp(), item.help);
    }
    // Toolbar order: New, Open, Save | Zoom Out, Grid | Print | About.
    wxToolBar* tools = Frame().GetToolBar();
    const int order[] = {wxID_NEW,     wxID_OPEN,      wxID_SAVE,  wxID_SEPARATOR, ID_VIEW_ZOOMOUT,
                         ID_VIEW_GRID, wxID_SEPARATOR, wxID_PRINT, wxID_SEPARATOR, wxID_ABOUT};
    ASSERT_EQ(tools->GetToolsCount(), sizeof order / sizeof order[0]);
    for (size_t i = 0; i < tools->GetToolsCount(); ++i) {
        const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(i));
        if (order[i] == wxID_SEPARATOR)
            EXPECT_TRUE(tool->IsSeparator()) << i;
        else
            EXPECT_EQ(tool->GetId(), order[i]) << i;
    }
    EXPECT_EQ(tools->GetToolLongHelp(wxID_SAVE), "Save the active document");
}

TEST_F(StartUp, ToolbarAndStatusBarCanBeHidden) {
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(Frame().GetToolBar()->IsShown());
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(Frame().GetStatusBar()->IsShown());
    Command(ID_VIEW_TOOLBAR);
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(Frame().GetToolBar()->IsShown());
    EXPECT_TRUE(Frame().GetStatusBar()->IsShown());
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

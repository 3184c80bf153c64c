// The "GPS Interface" dialog: what it shows of a receiver and what it gives back.

#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/gps_interface_dlg.h"
#include "garmin/protocol_table.h"

TEST(GpsInterfaceDlg, OpensWithItsDefaultsAndReadOnlyReceiverFields) {
    CGpsInterfaceDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "GPS Interface");
    dialog.InitDialog();
    const std::tuple<int, const char*, bool> boxes[] = {
        {kIdTransferWaypoints, "Transfer Waypoints", true},
        {kIdMatchPictures, "Match pictures to waypoints.", false},
        {kIdTransferRoutes, "Transfer Routes", true},
        {kIdTracksAsLines, "Transfer as Line Layer", false},
        {kIdTracksAsPoints, "Transfer as Point Layer", false},
    };
    for (const auto& [id, caption, checked] : boxes) {
        auto* box = Control<wxCheckBox>(&dialog, id);
        ASSERT_NE(box, nullptr) << caption;
        EXPECT_EQ(box->GetLabel(), caption);
        EXPECT_EQ(box->GetValue(), checked) << caption;
    }
    const std::tuple<int, const char*, bool> edits[] = {
        {kIdDeviceDescription, "", false}, {kIdProductId, "0", false},
        {kIdWaypointsProtocol, "", false}, {kIdRoutesProtocol, "", false},
        {kIdTracksProtocol, "", false},    {kIdWaypointsFile, "Waypoints", true},
        {kIdRoutesFile, "Routes", true},   {kIdTracksFile, "Tracks", true},
    };
    for (const auto& [id, text, editable] : edits) {
        auto* edit = Control<wxTextCtrl>(&dialog, id);
        ASSERT_NE(edit, nullptr) << id;
        EXPECT_EQ(TextOf(&dialog, id), text) << id;
        EXPECT_EQ(edit->IsEditable(), editable) << id;
    }
}

TEST(GpsInterfaceDlg, ShowsTheProtocolsOfACapabilityListOrOfTheProductTable) {
    // A capability list as a receiver sends it: a tag and a 16-bit number each.
    const unsigned char list[] = {'P', 0,   0, 'L', 1,   0, 'A', 100, 0, 'D', 108, 0,
                                  'A', 201, 0, 'D', 202, 0, 'D', 108, 0, 'D', 210, 0,
                                  'A', 45,  1, 'D', 54,  1, 'D', 45,  1};  // A301 D310 D301
    ProtocolTable table;
    ParseCapabilityList(list, sizeof list, &table);
    CGpsInterfaceDlg dialog(nullptr);
    dialog.deviceDescription = "SIMULATED D108 Software Version 3.70";
    dialog.shownProductId = 900;
    dialog.ShowGarminProtocols(table);
    dialog.InitDialog();
    EXPECT_EQ(TextOf(&dialog, kIdDeviceDescription), "SIMULATED D108 Software Version 3.70");
    EXPECT_EQ(TextOf(&dialog, kIdProductId), "900");
    EXPECT_EQ(TextOf(&dialog, kIdWaypointsProtocol), "A100, D108");
    EXPECT_EQ(TextOf(&dialog, kIdRoutesProtocol), "A201, D202, D108, D210");
    EXPECT_EQ(TextOf(&dialog, kIdTracksProtocol), "A301, D310, D301");

    // An older receiver known from the product table: A200 routes have no link
    // type and A300 track logs one type only.
    ProtocolTable old;
    old.waypointProtocol = 100;
    old.waypointType = 100;
    old.routeProtocol = 200;
    old.routeHeaderType = 200;
    old.routeWaypointType = 100;
    old.trackProtocol = 300;
    old.trackType1 = 300;
    CGpsInterfaceDlg oldDialog(nullptr);
    oldDialog.ShowGarminProtocols(old);
    oldDialog.InitDialog();
    EXPECT_EQ(TextOf(&oldDialog, kIdRoutesProtocol), "A200, D200, D100, D0");
    EXPECT_EQ(TextOf(&oldDialog, kIdTracksProtocol), "A300, D300, D0");
}

TEST(GpsInterfaceDlg, OkGivesTheTicksAndFileNamesAsTyped) {
    CGpsInterfaceDlg dialog(nullptr);
    dialog.ShowMagellanProtocols();
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(TextOf(&dialog, kIdTracksProtocol), "PMGNTRK");
        Check(&dialog, kIdTransferWaypoints, false);
        Check(&dialog, kIdMatchPictures, true);
        Check(&dialog, kIdTracksAsLines, true);
        Check(&dialog, kIdTracksAsPoints, true);
        Type(&dialog, kIdWaypointsFile, "");
        Type(&dialog, kIdRoutesFile, wxString::FromUTF8("Wege über Berg"));
        Type(&dialog, kIdTracksFile, "trip/day 1");
        Click(&dialog, wxID_OK);
    });
    ASSERT_EQ(result, wxID_OK);
    EXPECT_FALSE(dialog.waypointsWanted);
    EXPECT_TRUE(dialog.picturesWanted);
    EXPECT_TRUE(dialog.routesWanted);
    EXPECT_TRUE(dialog.tracksAsLines);
    EXPECT_TRUE(dialog.tracksAsPoints);
    EXPECT_EQ(dialog.waypointsFile, "");
    EXPECT_EQ(dialog.routesFile, "Wege über Berg");
    EXPECT_EQ(dialog.tracksFile, "trip/day 1");
    EXPECT_EQ(dialog.waypointsProtocol, "PMGNWPL");
}

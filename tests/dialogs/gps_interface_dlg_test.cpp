// The "GPS Interface" dialog: what it shows of a receiver and what it gives back.

#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/gps_interface_dlg.h"
#include "garmin/protocol_table.h"

namespace {

// A capability list as a receiver sends it: 'A' or 'D' and a 16-bit number.
std::vector<unsigned char> Capabilities(std::initializer_list<const char*> entries) {
    std::vector<unsigned char> data;
    for (const char* entry : entries) {
        const int number = std::atoi(entry + 1);
        data.push_back(static_cast<unsigned char>(entry[0]));
        data.push_back(static_cast<unsigned char>(number & 0xFF));
        data.push_back(static_cast<unsigned char>(number >> 8));
    }
    return data;
}

}  // namespace

TEST(GpsInterfaceDlg, OpensWithItsDefaultsAndReadOnlyReceiverFields) {
    CGpsInterfaceDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "GPS Interface");
    dialog.InitDialog();

    struct Box {
        int id;
        const char* caption;
        bool checked;
    };
    const Box boxes[] = {
        {kIdTransferWaypoints, "Transfer Waypoints", true},
        {kIdMatchPictures, "Match pictures to waypoints.", false},
        {kIdTransferRoutes, "Transfer Routes", true},
        {kIdTracksAsLines, "Transfer as Line Layer", false},
        {kIdTracksAsPoints, "Transfer as Point Layer", false},
    };
    for (const Box& box : boxes) {
        auto* control = Control<wxCheckBox>(&dialog, box.id);
        ASSERT_NE(control, nullptr) << box.caption;
        EXPECT_EQ(control->GetLabel(), box.caption);
        EXPECT_EQ(control->GetValue(), box.checked) << box.caption;
    }

    struct Edit {
        int id;
        const char* text;
        bool editable;
    };
    const Edit edits[] = {
        {kIdDeviceDescription, "", false}, {kIdProductId, "0", false},
        {kIdWaypointsProtocol, "", false}, {kIdRoutesProtocol, "", false},
        {kIdTracksProtocol, "", false},    {kIdWaypointsFile, "Waypoints", true},
        {kIdRoutesFile, "Routes", true},   {kIdTracksFile, "Tracks", true},
    };
    for (const Edit& edit : edits) {
        auto* control = Control<wxTextCtrl>(&dialog, edit.id);
        ASSERT_NE(control, nullptr) << edit.id;
        EXPECT_EQ(TextOf(&dialog, edit.id), edit.text) << edit.id;
        EXPECT_EQ(control->IsEditable(), edit.editable) << edit.id;
    }
    for (const char* label :
         {"Product ID:", "Waypoints", "Routes", "Track Log", "Protocol", "Filename", "Filename:"})
        EXPECT_TRUE(HasLabel(&dialog, label)) << label;
}

TEST(GpsInterfaceDlg, ShowsTheProtocolsOfACapabilityList) {
    const std::vector<unsigned char> list =
        Capabilities({"P0", "L1", "A10", "T1", "A100", "D108", "A201", "D202", "D108", "D210",
                      "A301", "D310", "D301"});
    ProtocolTable table;
    ParseCapabilityList(list.data(), static_cast<int>(list.size()), &table);

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
}

TEST(GpsInterfaceDlg, ShowsEntriesAReceiverTableLeavesOutAsZero) {
    // An older receiver known from the product table: A200 routes have no link
    // type and A300 track logs one type only.
    ProtocolTable table;
    table.waypointProtocol = 100;
    table.waypointType = 100;
    table.routeProtocol = 200;
    table.routeHeaderType = 200;
    table.routeWaypointType = 100;
    table.trackProtocol = 300;
    table.trackType1 = 300;

    CGpsInterfaceDlg dialog(nullptr);
    dialog.ShowGarminProtocols(table);
    dialog.InitDialog();
    EXPECT_EQ(TextOf(&dialog, kIdWaypointsProtocol), "A100, D100");
    EXPECT_EQ(TextOf(&dialog, kIdRoutesProtocol), "A200, D200, D100, D0");
    EXPECT_EQ(TextOf(&dialog, kIdTracksProtocol), "A300, D300, D0");
}

TEST(GpsInterfaceDlg, OkGivesTheTicksAndFileNamesAsTyped) {
    CGpsInterfaceDlg dialog(nullptr);
    dialog.ShowMagellanProtocols();
    dialog.shownProductId = 17;
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(TextOf(&dialog, kIdWaypointsProtocol), "PMGNWPL");
        EXPECT_EQ(TextOf(&dialog, kIdRoutesProtocol), "PMGNRTE");
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
    EXPECT_EQ(dialog.shownProductId, 17);
    EXPECT_EQ(dialog.waypointsProtocol, "PMGNWPL");
}

TEST(GpsInterfaceDlg, CancelKeepsTheDefaults) {
    CGpsInterfaceDlg dialog(nullptr);
    const int result = RunModal(dialog, [&] {
        Check(&dialog, kIdTransferRoutes, false);
        Type(&dialog, kIdTracksFile, "other");
        Click(&dialog, wxID_CANCEL);
    });
    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_TRUE(dialog.routesWanted);
    EXPECT_EQ(dialog.tracksFile, "Tracks");
}

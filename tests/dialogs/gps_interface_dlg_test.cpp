// The "GPS Interface" dialog: what it shows of a receiver and what it gives back.

#include "dialogs/gps_interface_dlg.h"

#include "gui_test_support.h"
#include "dialogs/dialog_ids.h"
#include "garmin/protocol_table.h"

TEST(GpsInterfaceDlg, ShowsD0ForMissingTypesAndOkGivesTheTicksAndNamesAsTyped) {
    // A product-table receiver: A200 routes have no link type, A300 track logs one type.
    CGpsInterfaceDlg dialog(nullptr);
    dialog.ShowGarminProtocols(ProtocolTable{100, 100, 200, 200, 100, 0, 300, 300});
    const int result = RunModal(dialog, [&] {
        EXPECT_EQ(TextOf(&dialog, kIdWaypointsProtocol), "A100, D100");
        EXPECT_EQ(TextOf(&dialog, kIdRoutesProtocol), "A200, D200, D100, D0");
        EXPECT_EQ(TextOf(&dialog, kIdTracksProtocol), "A300, D300, D0");
        Check(&dialog, kIdTransferWaypoints, false);
        Check(&dialog, kIdTracksAsPoints, true);
        Type(&dialog, kIdWaypointsFile, "");
        Type(&dialog, kIdRoutesFile, wxString::FromUTF8("Wege über Berg"));
        Click(&dialog, wxID_OK);
    });
    ASSERT_EQ(result, wxID_OK);
    EXPECT_FALSE(dialog.waypointsWanted);
    EXPECT_TRUE(dialog.tracksAsPoints);
    EXPECT_EQ(dialog.waypointsFile, "");
    EXPECT_EQ(dialog.routesFile, "Wege über Berg");
}

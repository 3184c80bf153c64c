// The waypoint, route and track downloads, fed with received lines directly.

#include "magellan/magellan_download.h"

#include <gtest/gtest.h>

#include <string>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan_test_lines.h"
#include "recording_feedback.h"

namespace {

const char kHome[] = "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,HOME,MY HOUSE,a";

class DownloadTest : public ::testing::Test {
  protected:
    // Starts a download of `kind` into the stores of the test.
    MagellanDownload& Start(MagellanDownload::Kind kind, const char* fileName = "File") {
        download_.reset(new MagellanDownload(kind, geometry, attributes));
        begun = download_->Begin(fileName);
        return *download_;
    }
    // Hands one line to the running download; false when it ended.
    bool Feed(const std::string& line) {
        return download_->HandleLine(line.c_str(), static_cast<int>(line.size()));
    }
    bool FeedSentence(const std::string& body) { return Feed(Sentence(body)); }

    std::string Text(int table, int record, int field) {
        char out[300] = "";
        attributes.GetText(table, record, field, out);
        return out;
    }
    std::string Text(int record, int field) { return Text(download_->table, record, field); }
    const GeometryLayer& Layer() { return geometry.Layer(download_->layer); }
    const LayerPoint& Point(int i) { return Layer().points[i]; }

    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    std::unique_ptr<MagellanDownload> download_;
    bool begun = false;
};

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

// --- Waypoints -------------------------------------------------------------

TEST_F(DownloadTest, WaypointSentenceIsStoredAsPointAndRecord) {
    MagellanDownload& d = Start(MagellanDownload::kWaypoints, "Waypoints");
    ASSERT_TRUE(begun);
    EXPECT_STREQ(d.Command(), "$PMGNCMD,WAYPOINT");
    EXPECT_STREQ(Layer().name, "Magellan Waypoints");
    EXPECT_STREQ(Layer().fileName, "Waypoints");
    EXPECT_EQ(Layer().attributeTable, d.table);
    EXPECT_EQ(Layer().vertices, nullptr);
    EXPECT_STREQ(attributes.Table(d.table).name, "Magellan Waypoints");
    ASSERT_EQ(attributes.FieldCount(d.table), 5);
    EXPECT_EQ(attributes.Table(d.table).RecordLength(), 1 + 12 + 12 + 12 + 40 + 12);
    EXPECT_GE(attributes.Table(d.table).recordCapacity, 500);

    EXPECT_TRUE(FeedSentence(kHome));
    ASSERT_EQ(Layer().pointCount, 1);
    EXPECT_NEAR(Point(0).y, 48.1173, 1e-9);
    EXPECT_NEAR(Point(0).x, 11.516666666, 1e-6);
    EXPECT_EQ(Text(0, 0), Padded("HOME", 12));
    EXPECT_EQ(Text(0, 1), "    11.51667");
    EXPECT_EQ(Text(0, 2), "    48.11730");
    EXPECT_EQ(Text(0, 3), Padded("MY HOUSE", 40));
    EXPECT_EQ(Text(0, 4), "       545.0");
    EXPECT_EQ(feedback.progress, std::vector<std::string>{" Transfering Waypoints 0"});
    EXPECT_TRUE(feedback.messages.empty());

    // South and west are negative.
    EXPECT_TRUE(FeedSentence("$PMGNWPL,4807.038,S,01131.000,W,0000545,M,AWAY,,a"));
    ASSERT_EQ(Layer().pointCount, 2);
    EXPECT_NEAR(Point(1).y, -48.1173, 1e-9);
    EXPECT_NEAR(Point(1).x, -11.516666666, 1e-6);
    EXPECT_EQ(Text(1, 1), "   -11.51667");
}

TEST_F(DownloadTest, StandardWaypointSentenceHasNameOnly) {
    Start(MagellanDownload::kWaypoints);
    EXPECT_TRUE(FeedSentence("$GPWPL,4807.038,N,01131.000,E,HOME"));
    ASSERT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(Text(0, 0), Padded("HOME", 12));
    EXPECT_EQ(Text(0, 3), std::string(40, ' '));
    EXPECT_EQ(Text(0, 4), "         0.0");
    EXPECT_TRUE(feedback.progress.empty());
}

TEST_F(DownloadTest, AltitudeIsTheWholeNumberAsSent) {
    Start(MagellanDownload::kWaypoints);
    FeedSentence("$PMGNWPL,4807.000,N,01131.000,E,12.7,F,A,,a");
    FeedSentence("$PMGNWPL,4808.000,N,01131.000,E,,M,B,,a");
    FeedSentence("$PMGNWPL,4809.000,N,01131.000,E,-31,M,C,,a");
    FeedSentence("$PMGNWPL,4810.000,N,01131.000,E,99999999999,M,D,,a");
    ASSERT_EQ(Layer().pointCount, 4);
    EXPECT_EQ(Text(0, 4), "        12.0");
    EXPECT_EQ(Text(1, 4), "         0.0");
    EXPECT_EQ(Text(2, 4), "       -31.0");
    EXPECT_EQ(Text(3, 4), "2147483647.0");
}

TEST_F(DownloadTest, CoordinateLimitsAreAccepted) {
    Start(MagellanDownload::kWaypoints);
    FeedSentence("$PMGNWPL,9000.000,N,18000.000,W,0,M,EDGE,,a");
    FeedSentence("$PMGNWPL,9000.000,S,18000.000,E,0,M,EDGE2,,a");
    ASSERT_EQ(Layer().pointCount, 2);
    EXPECT_EQ(Point(0).y, 90.0);
    EXPECT_EQ(Point(0).x, -180.0);
    EXPECT_EQ(Point(1).y, -90.0);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(DownloadTest, BadCoordinatesAreRejectedWithTheirField) {
    MagellanDownload& d = Start(MagellanDownload::kWaypoints);
    const std::string lowerCase = Sentence("$PMGNWPL,4807.038,n,01131.000,E,0,M,LOWER,,a");
    EXPECT_TRUE(Feed(lowerCase));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0],
              "Illegal North/South value!\n Input string: " + lowerCase + " Field string: n");

    FeedSentence("$PMGNWPL,4807.038,N,01131.000,X,0,M,EASTWEST,,a");
    EXPECT_TRUE(feedback.HasMessage("Illegal East/West value!\n Input string: $PMGNWPL"));
    FeedSentence("$PMGNWPL,9100.000,N,01131.000,E,0,M,NORTH,,a");
    EXPECT_TRUE(feedback.HasMessage("Latitude(91.000000) out of range!\n Input string: "));
    FeedSentence("$PMGNWPL,4807.038,N,18001.000,E,0,M,EAST,,a");
    EXPECT_TRUE(feedback.HasMessage("Longitude(180.016667) out of range!\n Input string: "));
    // Minutes that are not a number are out of range as well.
    FeedSentence("$PMGNWPL,48nan,N,01131.000,E,0,M,NAN,,a");
    EXPECT_TRUE(feedback.HasMessage("Latitude(nan) out of range!"));

    EXPECT_EQ(d.errorCount, 5);
    EXPECT_EQ(Layer().pointCount, 0);
    EXPECT_EQ(attributes.RecordCount(d.table), 0);
}

TEST_F(DownloadTest, CoordinateThatIsNoNumberIsRejectedNotStale) {
    MagellanDownload& d = Start(MagellanDownload::kWaypoints);
    FeedSentence(kHome);
    ASSERT_EQ(Layer().pointCount, 1);

    // Without its own degrees the sentence would take those of the one before.
    const std::string noLatitude = Sentence("$PMGNWPL,ABCD,N,01131.000,E,0,M,STALE,,a");
    EXPECT_TRUE(Feed(noLatitude));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0],
              "Illegal Latitude value!\n Input string: " + noLatitude + " Field string: ABCD");

    FeedSentence("$PMGNWPL,4807.038,N,,E,0,M,STALE,,a");
    EXPECT_TRUE(feedback.HasMessage("Illegal Longitude value!\n Input string: "));
    FeedSentence("$PMGNWPL,48,N,01131.000,E,0,M,STALE,,a");  // degrees without minutes
    FeedSentence("$GPWPL");
    EXPECT_EQ(feedback.messages.size(), 4u);
    EXPECT_EQ(d.errorCount, 4);
    EXPECT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(attributes.RecordCount(d.table), 1);
    EXPECT_EQ(Text(0, 0), Padded("HOME", 12));
}

TEST_F(DownloadTest, WaypointsAtOnePositionShareARecord) {
    Start(MagellanDownload::kWaypoints);
    FeedSentence(kHome);
    FeedSentence("$PMGNWPL,4807.038,N,01131.000,E,0000600,M,HOUSE,OTHER,a");
    ASSERT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(attributes.RecordCount(download_->table), 1);
    EXPECT_EQ(Text(0, 0), Padded("HOUSE", 12));
    EXPECT_EQ(Text(0, 4), "       600.0");
    EXPECT_EQ(feedback.progress.back(), " Transfering Waypoints 0");
}

TEST_F(DownloadTest, WaypointListEndsAtCommandSentence) {
    Start(MagellanDownload::kWaypoints);
    EXPECT_TRUE(FeedSentence(kHome));
    EXPECT_FALSE(FeedSentence("$PMGNCMD,END"));
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(DownloadTest, WaypointErrorLimit) {
    MagellanDownload& d = Start(MagellanDownload::kWaypoints);
    // Unrecognised lines and time-outs (empty lines) are tested at once.
    for (int i = 0; i < 19; ++i) ASSERT_TRUE(FeedSentence("$GPGGA,foreign"));
    ASSERT_TRUE(Feed(""));
    EXPECT_EQ(d.errorCount, 20);
    EXPECT_FALSE(Feed(""));
    EXPECT_EQ(feedback.messages, std::vector<std::string>{"Too Many Errors. Transfer terminated!"});

    // Rejected sentences only count; the next stored waypoint makes the test,
    // after it has been stored.
    Start(MagellanDownload::kWaypoints);
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(FeedSentence("$PMGNWPL,4807.038,X,01131.000,E"));
    EXPECT_FALSE(FeedSentence(kHome));
    EXPECT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(feedback.messages.back(), "Too Many Errors. Transfer terminated!");
}

TEST_F(DownloadTest, OverlongFieldsAreCutAndStored) {
    Start(MagellanDownload::kWaypoints);
    const std::string name(120, 'W');
    const std::string comment(120, 'c');
    // A 256-byte line (the most one read gives) without its line end.
    std::string line = "$PMGNWPL,4807.038,N,01131.000,E,0,M," + name + "," + comment;
    line.resize(256, 'c');
    EXPECT_TRUE(Feed(line));
    ASSERT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(Text(0, 0), std::string(12, 'W'));
    EXPECT_EQ(Text(0, 3), std::string(40, 'c'));
}

// --- Routes ----------------------------------------------------------------

class RouteDownloadTest : public DownloadTest {
  protected:
    void SetUp() override {
        Start(MagellanDownload::kWaypoints, "Waypoints");
        FeedSentence("$PMGNWPL,4807.000,N,01131.000,E,0,M,HOME,,a");   // 0
        FeedSentence("$PMGNWPL,4808.000,N,01132.000,E,0,M,SHOP,,a");   // 1
        FeedSentence("$PMGNWPL,4809.000,N,01133.000,E,0,M,PARK,,a");   // 2
        FeedSentence("$PMGNWPL,4810.000,N,01134.000,E,0,M,HOUSE,,a");  // 3
        waypointLayer = download_->layer;
        Start(MagellanDownload::kRoutes, "Routes");
    }
    void ExpectEdge(int edge, int segment, int from, int to) {
        const SegmentVertex& v = Layer().vertices[edge];
        EXPECT_EQ(v.segment, segment) << "edge " << edge;
        EXPECT_EQ(v.fromPoint, from) << "edge " << edge;
        EXPECT_EQ(v.toPoint, to) << "edge " << edge;
    }
    int waypointLayer = -1;
};

TEST_F(RouteDownloadTest, RouteOfTwoSentencesIsOneLine) {
    MagellanDownload& d = *download_;
    ASSERT_TRUE(begun);
    EXPECT_STREQ(d.Command(), "$PMGNCMD,ROUTE");
    EXPECT_STREQ(Layer().name, "Magellan Routes");
    EXPECT_STREQ(Layer().fileName, "Routes");
    EXPECT_NE(Layer().vertices, nullptr);
    EXPECT_EQ(attributes.FieldCount(d.table), 2);

    EXPECT_TRUE(FeedSentence("$PMGNRTE,2,1,c,1,HOME,a,SHOP,b"));
    EXPECT_TRUE(FeedSentence("$PMGNRTE,2,2,c,1,PARK,a"));
    EXPECT_FALSE(FeedSentence("$PMGNCMD,END"));
    EXPECT_TRUE(feedback.messages.empty());

    EXPECT_EQ(attributes.RecordCount(d.table), 1);
    EXPECT_EQ(Text(0, 0), Padded("1", 12));
    ASSERT_EQ(Layer().pointCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Point(i).x, geometry.Layer(waypointLayer).points[i].x);
        EXPECT_EQ(Point(i).y, geometry.Layer(waypointLayer).points[i].y);
    }
    ASSERT_EQ(Layer().vertexCount, 2);
    ExpectEdge(0, 0, 0, 1);
    ExpectEdge(1, 0, 1, 2);
    EXPECT_EQ(feedback.progress.back(), " Transfering Routes 2");
}

TEST_F(RouteDownloadTest, SecondRouteStartsItsOwnLineAndRecord) {
    FeedSentence("$PMGNRTE,2,1,c,1,HOME,a,SHOP,b");
    FeedSentence("$PMGNRTE,2,2,c,1,PARK,a");
    FeedSentence("$PMGNRTE,1,1,c,2,SHOP,a,HOUSE,b");
    EXPECT_EQ(attributes.RecordCount(download_->table), 2);
    EXPECT_EQ(Text(1, 0), Padded("2", 12));
    ASSERT_EQ(Layer().vertexCount, 3);
    // SHOP is point 1 of the routes layer already; nothing joins PARK to it.
    ExpectEdge(2, 1, 1, 3);
}

TEST_F(RouteDownloadTest, SentenceSentAgainIsTakenOnce) {
    // A receiver that doubted our acknowledgement sends the sentence again.
    FeedSentence("$PMGNRTE,2,1,c,1,HOME,a,SHOP,b");
    FeedSentence("$PMGNRTE,2,1,c,1,HOME,a,SHOP,b");
    FeedSentence("$PMGNRTE,2,2,c,1,PARK,a");
    FeedSentence("$PMGNRTE,2,2,c,1,PARK,a");
    EXPECT_EQ(attributes.RecordCount(download_->table), 1);
    ASSERT_EQ(Layer().vertexCount, 2);
    ExpectEdge(0, 0, 0, 1);
    ExpectEdge(1, 0, 1, 2);
    // The same route sent again later, after another sentence, is a route again.
    FeedSentence("$PMGNRTE,1,1,c,2,SHOP,a,HOUSE,b");
    FeedSentence("$PMGNRTE,2,1,c,1,HOME,a,SHOP,b");
    EXPECT_EQ(attributes.RecordCount(download_->table), 3);
}

TEST_F(RouteDownloadTest, RouteOfTwelveSentencesStaysOneRoute) {
    const char* names[] = {"HOME", "SHOP", "PARK", "HOUSE"};
    for (int n = 1; n <= 12; ++n) {
        FeedSentence("$PMGNRTE,12," + std::to_string(n) + ",c,LONG," + names[n % 4] + ",a");
    }
    EXPECT_EQ(attributes.RecordCount(download_->table), 1);
    EXPECT_EQ(Text(0, 0), Padded("LONG", 12));
    ASSERT_EQ(Layer().vertexCount, 11);
    for (int e = 0; e < 11; ++e) EXPECT_EQ(Layer().vertices[e].segment, 0);
    // Sentence 10 continues from the last node of sentence 9.
    EXPECT_EQ(Layer().vertices[8].fromPoint, Layer().vertices[7].toPoint);
}

TEST_F(RouteDownloadTest, CommentsAndNodeNames) {
    MagellanDownload& d = *download_;
    // A comment with no route started yet has nowhere to go.
    EXPECT_TRUE(FeedSentence("$PMGNRTE,1,2,m,1,ORPHAN"));
    EXPECT_EQ(attributes.RecordCount(d.table), 0);

    FeedSentence("$PMGNRTE,1,1,m,1,MY ROUTE");
    EXPECT_EQ(Text(0, 0), Padded("1", 12));
    EXPECT_EQ(Text(0, 1), Padded("MY ROUTE", 40));

    // "home" reads as an icon and is skipped; "Home" and "HO" find HOME, the first
    // waypoint whose name begins so; empty fields are skipped.
    FeedSentence("$PMGNRTE,2,2,C,1,home,,Park,a,HO,b");
    EXPECT_TRUE(feedback.messages.empty());
    ASSERT_EQ(Layer().vertexCount, 1);
    EXPECT_EQ(Point(Layer().vertices[0].fromPoint).x, geometry.Layer(waypointLayer).points[2].x);
    EXPECT_EQ(Point(Layer().vertices[0].toPoint).x, geometry.Layer(waypointLayer).points[0].x);
}

TEST_F(RouteDownloadTest, UnknownNodesAreReportedAndCounted) {
    MagellanDownload& d = *download_;
    const std::string line = Sentence("$PMGNRTE,1,1,c,1,HOME,a,NOWHERE,b,SHOP,c");
    EXPECT_TRUE(Feed(line));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0], "ROUTES: Node not found in Waypoints list!\n Input string: " +
                                        line + " Field string: NOWHERE");
    EXPECT_EQ(d.errorCount, 1);
    // The line goes on from HOME to SHOP.
    ASSERT_EQ(Layer().vertexCount, 1);

    // The limit test follows the line that passes 20 errors.
    std::string many = "$PMGNRTE,1,2,c,1";
    for (int i = 0; i < 20; ++i) many += ",X" + std::to_string(i) + ",a";
    EXPECT_FALSE(FeedSentence(many));
    EXPECT_EQ(feedback.messages.back(), "Too Many Errors. Transfer terminated!");
}

TEST_F(RouteDownloadTest, TimeOutAndForeignSentences) {
    EXPECT_TRUE(FeedSentence("$GPRTE,1,1,c,0,HOME,SHOP"));
    EXPECT_EQ(download_->errorCount, 0);
    EXPECT_FALSE(Feed(""));
    EXPECT_EQ(feedback.messages,
              std::vector<std::string>{"Reading Routes: Timeout...No Response from GPS."});
}

TEST_F(DownloadTest, RoutesNeedAWaypointTableBeforeThem) {
    MagellanDownload& d = Start(MagellanDownload::kRoutes, "Routes");
    EXPECT_FALSE(begun);
    EXPECT_EQ(feedback.messages,
              std::vector<std::string>{"ROUTES: Waypoint data has not been downloaded.\n "
                                       "Waypoints are required for Routes!"});
    // The empty layer and table stay.
    EXPECT_EQ(d.layer, 0);
    EXPECT_EQ(d.table, 0);
    EXPECT_EQ(geometry.layerCount, 1);
    EXPECT_EQ(attributes.tableCount, 1);
}

// --- Tracks ----------------------------------------------------------------

TEST_F(DownloadTest, TrackNamesMakeLinesAndVoidFixesAreDropped) {
    MagellanDownload& d = Start(MagellanDownload::kTracks, "Tracks");
    ASSERT_TRUE(begun);
    EXPECT_STREQ(d.Command(), "$PMGNCMD,TRACK");
    EXPECT_STREQ(Layer().name, "Magellan Trackpoints");
    EXPECT_EQ(attributes.FieldCount(d.table), 1);

    FeedSentence("$PMGNTRK,4807.000,N,01131.000,E,00545,M,120000.00,A,T1");
    FeedSentence("$PMGNTRK,4807.100,N,01131.100,E,00545,M,120010.00,V,T1");
    FeedSentence("$PMGNTRK,4807.200,N,01131.200,E,00545,M,120020.00,,T1");
    FeedSentence("$PMGNTRK,4807.300,N,01131.300,E,00545,M,120030.00,A,T2");
    FeedSentence("$PMGNTRK,4807.400,N,01131.400,E,00545,M,120040.00,A,T2");
    EXPECT_FALSE(FeedSentence("$PMGNCMD,END"));
    EXPECT_TRUE(feedback.messages.empty());

    ASSERT_EQ(Layer().pointCount, 4);
    EXPECT_NEAR(Point(1).y, 48.12, 1e-9);
    EXPECT_EQ(attributes.RecordCount(d.table), 2);
    EXPECT_EQ(Text(0, 0), Padded("T1", 12));
    EXPECT_EQ(Text(1, 0), Padded("T2", 12));
    // The new name breaks the line: no edge from the last T1 point to the first T2.
    ASSERT_EQ(Layer().vertexCount, 2);
    EXPECT_EQ(Layer().vertices[0].fromPoint, 0);
    EXPECT_EQ(Layer().vertices[0].toPoint, 1);
    EXPECT_EQ(Layer().vertices[1].fromPoint, 2);
    EXPECT_EQ(Layer().vertices[1].toPoint, 3);
    EXPECT_NE(Layer().vertices[0].segment, Layer().vertices[1].segment);
    EXPECT_EQ(feedback.progress.back(), " Transfering TrackPoints 3");
}

TEST_F(DownloadTest, UnnamedTrackPointsShareOneTrack) {
    MagellanDownload& d = Start(MagellanDownload::kTracks);
    FeedSentence("$PMGNTRK,4807.000,N,01131.000,E,00545,M,120000.00,A,");
    FeedSentence("$PMGNTRK,4807.100,N,01131.100,E,00545,M,120010.00,A,");
    FeedSentence("$PMGNTRK,4807.200,N,01131.200,E,00545,M,120020.00,A");
    EXPECT_EQ(attributes.RecordCount(d.table), 1);
    EXPECT_EQ(Text(0, 0), std::string(12, ' '));
    EXPECT_EQ(Layer().vertexCount, 2);
}

TEST_F(DownloadTest, TrackFaults) {
    MagellanDownload& d = Start(MagellanDownload::kTracks);
    EXPECT_TRUE(FeedSentence("$PMGNTRK,4807.000,X,01131.000,E,00545,M,120000.00,A,T"));
    EXPECT_TRUE(FeedSentence("$PMGNTRK,,N,01131.000,E,00545,M,120000.00,A,T"));
    EXPECT_TRUE(feedback.HasMessage("Illegal North/South value!"));
    EXPECT_TRUE(feedback.HasMessage("Illegal Latitude value!"));
    EXPECT_EQ(d.errorCount, 2);
    EXPECT_EQ(Layer().pointCount, 0);
    // Foreign sentences are ignored without counting.
    EXPECT_TRUE(FeedSentence("$GPGGA,whatever"));
    EXPECT_EQ(d.errorCount, 2);
    EXPECT_FALSE(Feed(""));
    EXPECT_EQ(feedback.messages.back(), "Reading Tracks: Timeout...No Response from GPS.");
}

}  // namespace

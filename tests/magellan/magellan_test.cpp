// MagellanDevice (the fields of a sentence, the port settings texts, and the link
// over a real pseudo-terminal with the test playing the receiver), and the
// waypoint, route and track downloads, fed with received lines directly.

#include "magellan/magellan_device.h"

#include "quorvex_test.h"

#include <chrono>
#include <memory>
#include <thread>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan/magellan_download.h"
#include "magellan/port_settings.h"

namespace {

const char kSettings[] = "baud=4800 parity=N data=8 stop=1";

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class MagellanLink : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(device.port.Open(pty.SlavePath().c_str(), kSettings)); }

    RecordingFeedback feedback;
    PtyPair pty;
    MagellanDevice device;
};

TEST_F(MagellanLink, CommandDiscardsStaleInputAndSentencesAreAcknowledged) {
    pty.Send("$GPGGA,left over from before\r\n");
    // The pseudo-terminal passes the bytes on with a small delay.
    for (int i = 0; i < 1000 && device.port.BytesWaiting() < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const std::string end = "$PMGNCMD,END*3D\r\n";
    std::string command;
    pty.StartPeer([&](PtyPair& p) {
        command = Text(p.Receive(22, 3000));
        p.Send(AcknowledgementOf(command) + end);
    });
    device.SendCommand("$PMGNCMD,WAYPOINT");
    pty.JoinPeer();
    EXPECT_EQ(command, "$PMGNCMD,WAYPOINT*71\r\n");

    // The acknowledgement was read and dropped; the next line is the first sentence.
    char line[MagellanDevice::kLineBufferSize];
    EXPECT_EQ(device.ReceiveSentence(line), static_cast<int>(end.size()));
    EXPECT_EQ(std::string(line), end);
    // Its acknowledgement follows, and the command went out once.
    EXPECT_EQ(Text(pty.ReceiveUntilQuiet(100)), "$PMGNCSM,3D*12\r\n");
}

TEST_F(MagellanLink, HostileLinesStayInsideTheLineBuffer) {
    GuardedBuffer<MagellanDevice::kLineBufferSize> buffers;

    // 300 bytes without a line end: one read takes 256, the next the rest.
    pty.Send(std::string(300, 'X') + "\r\n");
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 256);
    EXPECT_EQ(std::strlen(buffers.text), 256u);
    EXPECT_TRUE(buffers.GuardIntact());
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 46);
    EXPECT_EQ(std::string(buffers.text), std::string(44, 'X') + "\r\n");

    // NUL bytes are kept in the count; the text (and the checksum) end at the first.
    const std::string withNul("$PMG\0NWPL,1*00\r\n", 16);
    pty.Send(withNul);
    EXPECT_EQ(device.ReceiveSentence(buffers.text), 16);
    EXPECT_STREQ(buffers.text, "$PMG");
    EXPECT_TRUE(buffers.GuardIntact());

    // Without a '*', the checksum of a line takes in its CR LF too.
    EXPECT_EQ(Text(pty.Receive(48, 2000)), AcknowledgementOf(std::string(256, 'X')) +
                                               AcknowledgementOf(std::string(44, 'X') + "\r\n") +
                                               AcknowledgementOf("$PMG"));
}

TEST(MagellanConnect, SilentReceiverStillConnects) {
    RecordingFeedback feedback;
    PtyPair pty;
    MagellanDevice device;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Connect(pty.SlavePath().c_str(), kSettings));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_STREQ(device.description, "");
    EXPECT_EQ(device.productId, 0);
    EXPECT_EQ(Text(pty.ReceiveUntilQuiet(200)),
              "$$\r\n$PMGNCMD,HANDON*70\r\n$PMGNCMD,VERSION*28\r\n$PMGNCSM,00*65\r\n");
}

TEST(MagellanField, FieldsByCommaCountAndCutToTheBuffer) {
    const struct {
        const char* sentence;
        unsigned field;
        int start;  // offset of the field in the sentence, -1 for none
        const char* text;
    } rows[] = {
        {"a,b,c,d*12", 3, 6, "d"},
        {"a,b,c,d*12", 4, -1, ""},
        {"a,,c", 1, 2, ""},   // an empty field that exists
        {"a,b,", 2, -1, ""},  // a trailing comma has no field behind it
        // Without a checksum the CR before the LF stays in the last field.
        {"$PMGNRTE,2,2,c,1,PARK,a\r\n", 6, 22, "a\r"},
        {"$X,last", 1, 3, "last"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.sentence) + " field " + std::to_string(row.field));
        char out[MagellanDevice::kFieldBufferSize] = "stale";
        const char* start = MagellanDevice::GetField(out, row.sentence, row.field);
        EXPECT_EQ(start, row.start < 0 ? nullptr : row.sentence + row.start);
        EXPECT_STREQ(out, row.text);
    }
    // A field longer than the buffer is cut to it.
    GuardedBuffer<MagellanDevice::kFieldBufferSize> buffer;
    const std::string sentence =
        "$PMGNWPL,4807.038,N,01131.000,E,0,M," + std::string(200, 'N') + ",x*00\r\n";
    ASSERT_NE(MagellanDevice::GetField(buffer.text, sentence.c_str(), 7), nullptr);
    EXPECT_EQ(std::string(buffer.text), std::string(79, 'N'));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(PortSettings, TextsThatWouldNotFitAreRefusedOrNotBuilt) {
    RecordingFeedback feedback;
    PortSettings settings;
    char port[PortSettings::kPortNameSize];
    char text[PortSettings::kSettingsSize];
    // A baud text longer than ten characters is refused and the one before stays.
    ASSERT_TRUE(settings.SetSettings(4, "1234567890", 7, 'O', 2));
    EXPECT_FALSE(settings.SetSettings(1, "12345678901", 8, 'N', 1));
    EXPECT_TRUE(
        feedback.HasMessage("Baud rate \"12345678901\" is too long: at most 10 characters."));
    EXPECT_STREQ(settings.baudText, "1234567890");

    // Texts that would not fit their buffers are not built at all.
    settings.SetSettings(2, "1234567890", -2147483647, 'N', -2147483647);
    EXPECT_FALSE(settings.BuildSettings(port, text));
    EXPECT_STREQ(port, "");
    EXPECT_STREQ(text, "");
    settings.SetSettings(123456789, "4800", 8, 'N', 1);
    EXPECT_FALSE(settings.BuildSettings(port, text));
}

const char kHome[] = "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,HOME,MY HOUSE,a";
const char kTooMany[] = "Too Many Errors. Transfer terminated!";

class DownloadTest : public ::testing::Test {
  protected:
    // Starts a download of `kind` into the stores of the test; Begin's verdict.
    bool Start(MagellanDownload::Kind kind) {
        download.reset(new MagellanDownload(kind, geometry, attributes));
        return download->Begin("File");
    }
    // Hands one line to the running download; false when it ended.
    bool Feed(const std::string& line) {
        return download->HandleLine(line.c_str(), static_cast<int>(line.size()));
    }
    bool FeedSentence(const std::string& body) { return Feed(Sentence(body)); }
    void FeedSentences(std::initializer_list<const char*> bodies) {
        for (const char* body : bodies) FeedSentence(body);
    }

    // A field of a record, without the blanks that pad it to its width.
    std::string Text(int record, int field) {
        char out[300] = "";
        attributes.GetText(download->table, record, field, out);
        std::string text = out;
        return text.erase(text.find_last_not_of(' ') + 1);
    }
    const GeometryLayer& Layer() { return geometry.Layer(download->layer); }
    int Records() { return attributes.RecordCount(download->table); }
    // The edges of the layer as "line:from>to ...".
    std::string Edges() {
        std::string edges;
        for (int e = 0; e < Layer().vertexCount; ++e) {
            const SegmentVertex& v = Layer().vertices[e];
            edges += (e ? " " : "") + std::to_string(v.segment) + ":" +
                     std::to_string(v.fromPoint) + ">" + std::to_string(v.toPoint);
        }
        return edges;
    }

    RecordingFeedback feedback;
    GeometryStore geometry;
    AttributeStore attributes;
    std::unique_ptr<MagellanDownload> download;
};

TEST_F(DownloadTest, WaypointDecodings) {
    const struct {
        const char* body;
        double latitude, longitude;
        const char* altitude;  // the whole number as sent, in whatever unit
    } rows[] = {
        {"$GPWPL,9000.000,N,18000.000,W,HOME", 90.0, -180.0, "0.0"},
        {"$PMGNWPL,9000.000,S,18000.000,E,0,M,HOME,,a", -90.0, 180.0, "0.0"},
        {"$PMGNWPL,4807,N,01131,E,12.7,F,HOME,,a", 48.1166667, 11.5166667, "12.0"},
        {"$PMGNWPL,4807,N,01131,E,,M,HOME,,a", 48.1166667, 11.5166667, "0.0"},
        {"$PMGNWPL,4807,N,01131,E,-31,M,HOME,,a", 48.1166667, 11.5166667, "-31.0"},
        {"$PMGNWPL,4807,N,01131,E,99999999999,M,HOME,,a", 48.1166667, 11.5166667, "2147483647.0"},
        {"$PMGNWPL,4807.038,S,01131.000,W,545,M,HOME,,a", -48.1173, -11.5166667, "545.0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body);
        feedback.progress.clear();
        ASSERT_TRUE(Start(MagellanDownload::kWaypoints));
        EXPECT_TRUE(FeedSentence(row.body));
        ASSERT_EQ(Layer().pointCount, 1);
        EXPECT_NEAR(Layer().points[0].y, row.latitude, 1e-6);
        EXPECT_NEAR(Layer().points[0].x, row.longitude, 1e-6);
        EXPECT_EQ(Text(0, 0), "HOME");
        EXPECT_EQ(Text(0, 4), std::string(12 - std::strlen(row.altitude), ' ') + row.altitude);
        // Only the receiver's own sentences report progress.
        EXPECT_EQ(feedback.progress.size(), row.body[1] == 'P' ? 1u : 0u);
        EXPECT_FALSE(FeedSentence("$PMGNCMD,END"));
    }
    EXPECT_EQ(feedback.progress.back(), " Transfering Waypoints 0");
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(DownloadTest, RejectedRepeatedAndOverlongWaypoints) {
    Start(MagellanDownload::kWaypoints);
    FeedSentence(kHome);
    // A coordinate that is no number must not take the degrees of the sentence before.
    const struct {
        const char *body, *reason, *field;
    } rows[] = {
        {"$PMGNWPL,4807.038,n,01131.000,E,0,M,LOWER,,a", "Illegal North/South value!", "n"},
        {"$PMGNWPL,4807.038,N,01131.000,X,0,M,EW,,a", "Illegal East/West value!", "X"},
        {"$PMGNWPL,9100.000,N,01131.000,E,0,M,NORTH,,a", "Latitude(91.000000) out of range!", "N"},
        {"$PMGNWPL,4807.038,N,18001.000,E,0,M,EAST,,a", "Longitude(180.016667) out of range!", "E"},
        {"$PMGNWPL,48nan,N,01131.000,E,0,M,NAN,,a", "Latitude(nan) out of range!", "N"},
        {"$PMGNWPL,ABCD,N,01131.000,E,0,M,STALE,,a", "Illegal Latitude value!", "ABCD"},
        {"$PMGNWPL,4807.038,N,,E,0,M,STALE,,a", "Illegal Longitude value!", ""},
        {"$PMGNWPL,48,N,01131.000,E,0,M,STALE,,a", "Illegal Latitude value!", "48"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body);
        feedback.messages.clear();
        const std::string line = Sentence(row.body);
        EXPECT_TRUE(Feed(line));
        EXPECT_EQ(feedback.messages,
                  std::vector<std::string>{std::string(row.reason) + "\n Input string: " + line +
                                           " Field string: " + row.field});
    }
    EXPECT_EQ(download->errorCount, 8);
    // A waypoint at the same position is a point and record of its own; the first
    // keeps its name. Latin-1 text is stored as UTF-8.
    FeedSentence("$PMGNWPL,4807.038,N,01131.000,E,0000600,M,H\xd6USE,OTHER,a");
    EXPECT_EQ(Layer().pointCount, 2);
    EXPECT_EQ(Records(), 2);
    EXPECT_EQ(Text(0, 0), "HOME");
    EXPECT_EQ(Text(1, 0), "H\xc3\x96USE");
    EXPECT_EQ(Text(1, 4), "       600.0");
    // A 256-byte line (the most one read gives) without its line end: fields cut.
    std::string line = "$PMGNWPL,4807.038,N,01131.000,E,0,M," + std::string(120, 'W') + ",";
    line.resize(256, 'c');
    EXPECT_TRUE(Feed(line));
    EXPECT_EQ(Text(2, 0), std::string(12, 'W'));
    EXPECT_EQ(Text(2, 3), std::string(40, 'c'));
}

TEST_F(DownloadTest, WaypointErrorLimit) {
    Start(MagellanDownload::kWaypoints);
    // Unrecognised lines and time-outs (empty lines) count alike; the 21st ends it.
    for (int i = 0; i < 19; ++i) ASSERT_TRUE(FeedSentence("$GPGGA," + std::to_string(i)));
    ASSERT_TRUE(Feed(""));
    EXPECT_FALSE(Feed(""));
    EXPECT_EQ(feedback.messages, std::vector<std::string>{kTooMany});

    // Rejected sentences only count; the next stored waypoint makes the test,
    // after it has been stored. A bad sentence sent again counts again.
    Start(MagellanDownload::kWaypoints);
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(FeedSentence("$PMGNWPL,4807.038,X,01131.000,E"));
    EXPECT_FALSE(FeedSentence(kHome));
    EXPECT_EQ(Layer().pointCount, 1);
    EXPECT_EQ(feedback.messages.back(), kTooMany);
}

class RouteDownloadTest : public DownloadTest {
  protected:
    void SetUp() override {
        EXPECT_FALSE(Start(MagellanDownload::kRoutes));
        EXPECT_EQ(feedback.messages,
                  std::vector<std::string>{"ROUTES: Waypoint data has not been downloaded.\n "
                                           "Waypoints are required for Routes!"});
        feedback.messages.clear();
        // Routes find their nodes in the waypoint table made just before them.
        Start(MagellanDownload::kWaypoints);
        for (const char* w :
             {"4807,N,01131,E,0,M,HOME", "4808,N,01132,E,0,M,SHOP", "4809,N,01133,E,0,M,PARK",
              "4810,N,01134,E,0,M,HOUSE", "4811,N,01135,E,0,M,LOOKOUTPOINTNORTH"})
            FeedSentence(std::string("$PMGNWPL,") + w + ",,a");
        waypoints = &Layer();
        ASSERT_TRUE(Start(MagellanDownload::kRoutes));
    }
    const GeometryLayer* waypoints = nullptr;
};

TEST_F(RouteDownloadTest, SentenceSentAgainIsTakenOnce) {
    // A receiver that doubted our acknowledgement sends the sentence again.
    FeedSentences({"$PMGNRTE,2,1,c,1,HOME,a,SHOP,b", "$PMGNRTE,2,1,c,1,HOME,a,SHOP,b",
                   "$PMGNRTE,2,2,c,1,PARK,a", "$PMGNRTE,2,2,c,1,PARK,a"});
    EXPECT_EQ(feedback.progress.back(), " Transfering Routes 2");
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(Edges(), "1:0>1 1:1>2");
    // The same route sent again later, after another sentence, is a route again.
    FeedSentences({"$PMGNRTE,1,1,c,2,SHOP,a,HOUSE,b", "$PMGNRTE,2,1,c,1,HOME,a,SHOP,b"});
    EXPECT_EQ(Records(), 3);
    EXPECT_EQ(Edges(), "1:0>1 1:1>2 2:1>3 3:0>1");
}

// A name longer than the "Ident" field was stored cut; the route still finds it.
TEST_F(RouteDownloadTest, TwelveSentencesAreOneRouteAndCutNamesAreFound) {
    const char* names[] = {"HOME", "SHOP", "PARK", "LOOKOUTPOINTNORTH"};
    for (int n = 1; n <= 12; ++n)
        FeedSentence("$PMGNRTE,12," + std::to_string(n) + ",c,LONG," + names[n % 4] + ",a");
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(Text(0, 0), "LONG");
    EXPECT_EQ(Edges(), "1:0>1 1:1>2 1:2>3 1:3>0 1:0>1 1:1>2 1:2>3 1:3>0 1:0>1 1:1>2 1:2>3");
    EXPECT_EQ(Layer().points[2].x, waypoints->points[4].x);
}

TEST_F(RouteDownloadTest, CommentsNodesAndTimeOut) {
    // A comment with no route started yet has nowhere to go.
    EXPECT_TRUE(FeedSentence("$PMGNRTE,1,2,m,1,ORPHAN"));
    EXPECT_EQ(Records(), 0);
    FeedSentence("$PMGNRTE,1,1,m,1,MY ROUTE");
    EXPECT_EQ(Text(0, 0), "1");
    EXPECT_EQ(Text(0, 1), "MY ROUTE");

    // "home" reads as an icon and is skipped; "Park" and "HO" find PARK and HOME,
    // the first waypoints whose names begin so; empty fields are skipped.
    FeedSentence("$PMGNRTE,2,2,C,1,home,,Park,a,HO,b");
    ASSERT_EQ(Edges(), "1:0>1");
    EXPECT_EQ(Layer().points[0].x, waypoints->points[2].x);
    EXPECT_EQ(Layer().points[1].x, waypoints->points[0].x);

    // An unknown node is reported with its line and counted; the line goes on
    // from HOME to SHOP.
    const std::string line = Sentence("$PMGNRTE,1,1,c,2,HOME,a,NOWHERE,b,SHOP,c");
    EXPECT_TRUE(Feed(line));
    EXPECT_EQ(feedback.messages, std::vector<std::string>{
                                     "ROUTES: Node not found in Waypoints list!\n Input string: " +
                                     line + " Field string: NOWHERE"});
    EXPECT_EQ(Edges(), "1:0>1 2:1>2");
    // A route without its comment sentence has a blank comment, not NUL bytes.
    EXPECT_EQ(attributes.RecordField(download->table, 1, 1)[39], ' ');

    // Foreign sentences are ignored without counting; a time-out ends the list.
    EXPECT_TRUE(FeedSentence("$GPRTE,1,1,c,0,HOME,SHOP"));
    EXPECT_EQ(download->errorCount, 1);
    EXPECT_FALSE(Feed(""));
    EXPECT_EQ(feedback.messages.back(), "Reading Routes: Timeout...No Response from GPS.");
}

TEST_F(DownloadTest, TrackLinesFollowTheNames) {
    Start(MagellanDownload::kTracks);
    // Only a "V" fix is void; points without a name, with or without the empty
    // field, share one track.
    FeedSentences({"$PMGNTRK,4807.000,N,01131.000,E,00545,M,120000.00,V,",
                   "$PMGNTRK,4807.100,N,01131.100,E,00545,M,120010.00,,",
                   "$PMGNTRK,4807.200,N,01131.200,E,00545,M,120020.00,A",
                   "$PMGNTRK,4807.300,N,01131.300,E,00545,M,120030.00,A,T\xe9",
                   "$PMGNTRK,4807.400,N,01131.400,E,00545,M,120040.00,A,T\xe9"});
    EXPECT_EQ(feedback.progress.back(), " Transfering TrackPoints 3");
    EXPECT_EQ(Records(), 2);
    EXPECT_EQ(Text(0, 0), "");
    EXPECT_EQ(Text(1, 0), "T\xc3\xa9");
    EXPECT_EQ(Edges(), "1:0>1 2:2>3");

    // Foreign sentences are ignored without counting, rejected positions count.
    EXPECT_TRUE(FeedSentence("$PMGNTRK,,N,01131.000,E,00545,M,120000.00,A,T"));
    EXPECT_TRUE(FeedSentence("$GPGGA,whatever"));
    EXPECT_EQ(download->errorCount, 1);
    EXPECT_EQ(Layer().pointCount, 4);
}

}  // namespace

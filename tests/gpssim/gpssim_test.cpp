// The simulator spoken to over its pseudo-terminal with raw bytes and read with
// the framing in host_line.cpp, written apart from the simulator's: what it puts
// on the wire, and what each injected fault changes there. Whole downloads from
// it are the CLI tests' part, and how hosts fare against the faults the fault
// matrix's.

#include "quorvex_test.h"

#include <chrono>
#include <nlohmann/json.hpp>

namespace {

// Product request, product data acknowledged, capability list (id -1 when none
// came) acknowledged.
std::pair<WirePacket, WirePacket> Identify(HostLine& line) {
    line.SendPacket(254, {});
    if (line.ReadPacket().id != 6) return {};
    WirePacket product = line.ReceiveAndAck(), capabilities = line.ReadPacket(1200);
    if (capabilities.id >= 0) line.SendAck(static_cast<uint8_t>(capabilities.id));
    return {product, capabilities};
}

// The line without its checksum, after checking that the checksum is right.
std::string Body(const std::string& line) {
    size_t star = line.rfind('*');
    if (star == std::string::npos || star + 3 != line.size()) return "no checksum: " + line;
    unsigned sent = static_cast<unsigned>(std::stoul(line.substr(star + 1), nullptr, 16));
    if (sent != HostLine::Checksum(line)) return "bad checksum: " + line;
    return line.substr(0, star);
}

// Switches hand-shaking on, asks for the waypoints and checks both acknowledgements.
void StartWaypoints(HostLine& line) {
    line.SendSentence("$PMGNCMD,HANDON");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");
    line.SendSentence("$PMGNCMD,WAYPOINT");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,71*63");
}

}  // namespace

TEST(GarminSim, IdentificationAndCommandsExactlyAsOnTheWire) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    line.SendPacket(254, {});
    std::vector<uint8_t> ack;
    for (int i = 0; i < 8; ++i) ack.push_back(static_cast<uint8_t>(line.ReadByte(1000)));
    EXPECT_EQ(ack, (std::vector<uint8_t>{0x10, 0x06, 0x02, 0xFE, 0x00, 0xFA, 0x10, 0x03}));
    WirePacket product = line.ReadPacket();
    ASSERT_EQ(product.id, 255);
    EXPECT_TRUE(product.framed && product.checksumOk);
    // Nothing more until the host has acknowledged the product data.
    EXPECT_TRUE(line.QuietFor(300));
    line.SendAck(255);
    ASSERT_EQ(line.ReceiveAndAck().id, 253);

    // A command whose checksum is wrong is refused with a NAK naming its ID.
    line.Write(GarminFrame(10, {7, 0}, 0x55));
    WirePacket nak = line.ReadPacket();
    EXPECT_EQ(std::make_pair(nak.id, nak.data), std::make_pair(21, std::vector<uint8_t>{10, 0}));
    // A new command abandons a transfer the host no longer acknowledges, and a
    // transfer ends with its own command.
    line.SendCommand(6);
    ASSERT_EQ(line.ReadPacket().id, 6);
    EXPECT_EQ(line.ReceiveAndAck().id, 27);
    EXPECT_EQ(line.ReadPacket().id, 99);
    line.SendCommand(7);
    EXPECT_EQ(line.ReadPacket().data, (std::vector<uint8_t>{10, 0}));
    WirePacket p;
    for (int records = 0; records <= 21 && (p = line.ReceiveAndAck()).id != 12; ++records) {
    }
    EXPECT_EQ(p.data, (std::vector<uint8_t>{7, 0}));

    // Any profile turns into an old receiver of the product table: no list.
    SimulatorProcess old({"--profile", "d103", "--no-capabilities", "--product-id", "73"});
    HostLine oldLine(old.DevicePath());
    auto [oldProduct, capabilities] = Identify(oldLine);
    EXPECT_EQ(U16At(oldProduct.data, 0), 73);
    EXPECT_EQ(capabilities.id, -1);
}

TEST(GarminSim, DleBytesAreStuffedInTheSizeTheDataAndOnlyThere) {
    // A D105 record of a five-letter ident is 16 bytes long: its size byte is a
    // DLE, and a latitude of 0x10101010 semicircles is four more.
    TempDir dir;
    std::ofstream(dir.File("dle.json"))
        << R"({"waypoints": [{"ident": "ABCDE", "lat": 22.588235288858414, "lon": 1.5}]})";
    SimulatorProcess sim({"--profile", "d105", "--dataset", dir.File("dle.json")});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    Identify(line);
    line.SendCommand(7);
    line.ReadPacket();
    EXPECT_EQ(U16At(line.ReceiveAndAck().data, 0), 1);
    const WirePacket p = line.ReceiveAndAck();
    EXPECT_TRUE(p.framed && p.checksumOk && p.hadStuffing);
    EXPECT_EQ(p.claimedSize, 16);
    EXPECT_EQ(std::vector<uint8_t>(p.data.begin(), p.data.begin() + 4),
              std::vector<uint8_t>(4, 0x10));
    EXPECT_EQ(TextAt(p.data, 10), "ABCDE");
}

TEST(GarminSim, DamagedTriesNoiseAndPacing) {
    {
        SimulatorProcess sim({"--bad-checksums", "2", "--garbage", "7"});
        HostLine line(sim.DevicePath());
        line.SendPacket(254, {});
        WirePacket ack = line.ReadPacket();
        EXPECT_TRUE(ack.checksumOk && ack.skipped.empty());  // acknowledgements stay intact
        for (int attempt = 1; attempt <= 2; ++attempt) {
            WirePacket bad = line.ReadPacket();
            EXPECT_TRUE(bad.id == 255 && bad.framed && !bad.checksumOk) << "try " << attempt;
            line.SendNak(255);
        }
        WirePacket product = line.ReceiveAndAck();
        EXPECT_TRUE(product.checksumOk);
        // Noise before every data packet, never holding a DLE, new each time.
        EXPECT_EQ(product.skipped.size(), 7u);
        for (uint8_t b : product.skipped) EXPECT_NE(b, 0x10);
        WirePacket caps = line.ReadPacket();
        EXPECT_FALSE(caps.checksumOk) << "the next packet starts over with spoilt tries";
        EXPECT_NE(caps.skipped, product.skipped);
    }
    // Request (6 bytes), acknowledgement (8) and product data (45): 59 bytes at
    // 120 bytes a second cannot take less than about half a second.
    SimulatorProcess sim({"--baud", "1200"});
    HostLine line(sim.DevicePath());
    auto start = std::chrono::steady_clock::now();
    line.SendPacket(254, {});
    ASSERT_EQ(line.ReadPacket().id, 6);
    ASSERT_EQ(line.ReadPacket().id, 255);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
}

TEST(MagellanSim, AcknowledgementsChecksumsNoiseAndResends) {
    {
        SimulatorProcess sim({"--dataset", "examples"});
        HostLine line(sim.DevicePath());
        line.Write("$$\r\n");
        StartWaypoints(line);
        const std::string home = line.ReadLine();
        EXPECT_EQ(Body(home), "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,HOME,MY HOUSE,a");
        // Each sentence waits for its acknowledgement; a wrong one makes it go out again.
        EXPECT_TRUE(line.QuietFor(300));
        line.SendSentence("$PMGNCSM,00");
        EXPECT_EQ(line.ReadLine(), home);
        line.Acknowledge(home);
        for (const char* ident : {"SHOP", "PARK"}) {
            const std::string next = line.ReadLine();
            EXPECT_EQ(SentenceField(next, 7), ident);
            line.Acknowledge(next);
        }
        EXPECT_EQ(Body(line.ReadLine()), "$PMGNCMD,END");
    }
    {
        // Wrong checksum digits on an intact body; the acknowledgement of the
        // body is the right one.
        SimulatorProcess sim({"--dataset", "examples", "--bad-checksums", "1"});
        HostLine line(sim.DevicePath());
        StartWaypoints(line);
        const std::string home = line.ReadLine();
        EXPECT_EQ(Body(home).rfind("bad checksum: $PMGNWPL,4807.038", 0), 0u);
        line.Acknowledge(home);
        EXPECT_EQ(SentenceField(line.ReadLine(), 7), "SHOP");
    }
    {
        // A line of noise before each sentence; acknowledging the noise as a
        // careless host does is no wrong acknowledgement.
        SimulatorProcess sim({"--dataset", "examples", "--garbage", "6"});
        HostLine line(sim.DevicePath());
        StartWaypoints(line);
        for (const char* ident : {"HOME", "SHOP", "PARK"}) {
            const std::string noise = line.ReadLine();
            EXPECT_EQ(noise.size(), 6u);
            EXPECT_EQ(noise.find_first_of("$*"), std::string::npos);
            line.Acknowledge(noise);
            const std::string sentence = line.ReadLine();
            EXPECT_EQ(SentenceField(sentence, 7), ident);
            line.Acknowledge(sentence);
        }
    }
    // A receiver that hears no acknowledgement sends the sentence again.
    SimulatorProcess sim({"--dataset", "examples", "--resend-after", "200"});
    HostLine line(sim.DevicePath());
    StartWaypoints(line);
    const std::string first = line.ReadLine();
    EXPECT_EQ(line.ReadLine(1000), first);
}

TEST(GpsSimOptions, BadUsageAndBadDatasetsAreRefused) {
    TempDir dir;
    // Arguments, or the text of a dataset file (beginning with '{') given to
    // --dump-dataset --dataset; the exit status and a part of the output.
    const struct {
        const char* arguments;
        int status;
        const char* message;
    } cases[] = {
        {"--profile d999", 2, ""},
        {"--dataset nowhere", 1, ""},
        {"--dataset generated:5,1", 1, ""},
        {R"({"waypoints": [)", 1, "not valid JSON"},
        {R"({"waypoints": [{"ident": "A", "lat": 91, "lon": 0}]})", 1, "waypoint 1: latitude"},
        {R"({"waypoints": [{"lat": 1, "lon": 0}]})", 1, "waypoint 1: \"ident\" is missing"},
        {R"({"routes": [{"points": ["NOPE"]}]})", 1, "route 1: no waypoint \"NOPE\""},
        {R"({"tracks": [{"points": [{"lat": 1, "lon": 2, "time": "yesterday"}]}]})", 1,
         "track 1, point 1: time"},
        {"0.1 > 10 zz", 1, ":1: \"zz\" is not a byte"},  // a trace for --replay
    };
    for (const auto& c : cases) {
        std::string arguments = c.arguments;
        if (arguments[0] == '{') {
            std::ofstream(dir.File("bad.json"), std::ios::trunc) << c.arguments;
            arguments = "--dump-dataset --dataset " + dir.File("bad.json");
        } else if (arguments[0] == '0') {
            std::ofstream(dir.File("bad.trace"), std::ios::trunc) << c.arguments;
            arguments = "--replay " + dir.File("bad.trace");
        }
        CommandResult r = RunProgram("quorvex-gpssim " + arguments);
        EXPECT_EQ(r.status, c.status) << arguments;
        EXPECT_TRUE(Contains(r.output, c.message));
    }
}

// (Datasets from JSON files, served as their dump reads: the CLI tests.)
TEST(GpsSimOptions, GeneratedAndShippedDatasets) {
    auto d = nlohmann::json::parse(
        RunProgram("quorvex-gpssim --dump-dataset --dataset generated:200,5,2001").output, nullptr,
        false);
    ASSERT_TRUE(d.is_object());
    EXPECT_EQ(d["waypoints"].size(), 200u);
    EXPECT_EQ(d["routes"].size(), 5u);
    ASSERT_EQ(d["tracks"].size(), 2u);
    EXPECT_EQ(d["tracks"][0]["points"].size() + d["tracks"][1]["points"].size(), 2001u);

    // The shipped dataset of the fault matrix: a track point without a time has
    // empty time and date fields.
    SimulatorProcess edges({"--dataset", std::string(QUORVEX_DATASETS_DIR) + "/edge-values.json"});
    ASSERT_TRUE(edges.Started()) << edges.Error();
    HostLine line(edges.DevicePath());
    line.SendSentence("$PMGNCMD,TRACK");
    std::string first = line.ReadLine();
    EXPECT_EQ(first.substr(0, first.find('*')), "$PMGNTRK,4830.000,N,00915.000,E,00000,M,,A,,");
}

// The simulator's Magellan side: command sentences, lists, hand-shaking.

#include <gtest/gtest.h>

#include "host_line.h"
#include "sim_test_support.h"
#include "simulator_process.h"

namespace {

// The line without its checksum, after checking that the checksum is right.
std::string Body(const std::string& line) {
    size_t star = line.rfind('*');
    if (star == std::string::npos || star + 3 != line.size()) return "no checksum: " + line;
    unsigned sent = static_cast<unsigned>(std::stoul(line.substr(star + 1), nullptr, 16));
    if (sent != HostLine::Checksum(line)) return "bad checksum: " + line;
    return line.substr(0, star);
}

// Sends a command in hand-shaking mode and checks its acknowledgement.
void Command(HostLine& line, const std::string& body) {
    line.SendSentence(body);
    char expected[32];
    std::snprintf(expected, sizeof expected, "$PMGNCSM,%02X", HostLine::Checksum(body));
    EXPECT_EQ(Body(line.ReadLine()), expected) << body;
}

// Switches hand-shaking on.
void Handshake(HostLine& line) {
    line.SendSentence("$PMGNCMD,HANDON");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");
}

// Reads and acknowledges sentences until the closing $PMGNCMD,END.
std::vector<std::string> ReadList(HostLine& line, bool acknowledge = true) {
    std::vector<std::string> bodies;
    for (;;) {
        std::string l = line.ReadLine();
        if (l.empty()) return bodies;
        bodies.push_back(Body(l));
        if (bodies.back() == "$PMGNCMD,END") return bodies;
        if (acknowledge) line.Acknowledge(l);
    }
}

TEST(MagellanSim, HandshakeAnswersEveryCommandWithItsChecksumAndTheVersion) {
    SimulatorProcess sim;
    HostLine line(sim.DevicePath());
    line.Write("$$\r\n");
    line.SendSentence("$PMGNCMD,HANDON");
    EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");
    Command(line, "$PMGNCMD,VERSION");
    EXPECT_EQ(Body(line.ReadLine()), "$PMGNVER,19,3.06,QUORVEX SIMULATED RECEIVER");
}

TEST(MagellanSim, WaypointListWaitsForTheAcknowledgementOfEachSentence) {
    SimulatorProcess sim({"--dataset", "examples"});
    HostLine line(sim.DevicePath());
    Handshake(line);
    Command(line, "$PMGNCMD,WAYPOINT");
    std::string home = line.ReadLine();
    EXPECT_EQ(Body(home), "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,HOME,MY HOUSE,a");
    EXPECT_TRUE(line.QuietFor(300));
    line.Acknowledge(home);
    std::vector<std::string> rest = ReadList(line);
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(SentenceField(rest[0], 7), "SHOP");
    EXPECT_EQ(SentenceField(rest[1], 7), "PARK");
    EXPECT_EQ(rest[2], "$PMGNCMD,END");
    // The end of the list needs no acknowledgement: the next command is served.
    Command(line, "$PMGNCMD,VERSION");
    EXPECT_EQ(SentenceField(line.ReadLine(), 0), "$PMGNVER");
}

TEST(MagellanSim, AWrongAcknowledgementMakesTheSentenceGoOutAgain) {
    SimulatorProcess sim({"--dataset", "examples"});
    HostLine line(sim.DevicePath());
    Handshake(line);
    Command(line, "$PMGNCMD,WAYPOINT");
    std::string first = line.ReadLine();
    line.SendSentence("$PMGNCSM,00");
    EXPECT_EQ(line.ReadLine(), first);
    line.Acknowledge(first);
    EXPECT_EQ(SentenceField(line.ReadLine(), 7), "SHOP");
}

TEST(MagellanSim, WithoutHandshakeTheListComesAtOnce) {
    SimulatorProcess sim({"--dataset", "examples"});
    HostLine line(sim.DevicePath());
    line.SendSentence("$PMGNCMD,WAYPOINT");
    std::vector<std::string> list = ReadList(line, false);
    ASSERT_EQ(list.size(), 4u);  // no $PMGNCSM before the list
    EXPECT_EQ(SentenceField(list[0], 0), "$PMGNWPL");
    EXPECT_EQ(list[3], "$PMGNCMD,END");

    SimulatorProcess standard({"--dataset", "examples", "--gpwpl"});
    HostLine plain(standard.DevicePath());
    plain.SendSentence("$PMGNCMD,WAYPOINT");
    EXPECT_EQ(Body(plain.ReadLine()), "$GPWPL,4807.038,N,01131.000,E,HOME");
}

TEST(MagellanSim, RoutesCarryTheirNumberTwoNodesASentenceAndTheCommentLast) {
    {
        SimulatorProcess sim({"--dataset", "examples"});
        HostLine line(sim.DevicePath());
        Handshake(line);
        Command(line, "$PMGNCMD,ROUTE");
        EXPECT_EQ(ReadList(line), (std::vector<std::string>{
                                      "$PMGNRTE,2,1,c,1,HOME,a,SHOP,b",
                                      "$PMGNRTE,2,2,c,1,PARK,a",
                                      "$PMGNRTE,2,1,c,2,PARK,a,HOME,a",
                                      "$PMGNRTE,2,2,m,2,MY ROUTE",
                                      "$PMGNCMD,END",
                                  }));
    }
    {
        // The town's second route has 22 nodes: eleven node sentences and a comment.
        SimulatorProcess sim;
        HostLine line(sim.DevicePath());
        line.SendSentence("$PMGNCMD,ROUTE");
        std::vector<std::string> list = ReadList(line, false);
        std::vector<std::string> second;
        for (const std::string& s : list)
            if (SentenceField(s, 4) == "2") second.push_back(s);
        ASSERT_EQ(second.size(), 12u);
        for (size_t i = 0; i < second.size(); ++i) {
            EXPECT_EQ(SentenceField(second[i], 1), "12");
            EXPECT_EQ(SentenceField(second[i], 2), std::to_string(i + 1));
        }
        EXPECT_EQ(second[10], "$PMGNRTE,12,11,c,2,MARKET,s,BRIDGE,s");
        EXPECT_EQ(second[11], "$PMGNRTE,12,12,m,2,ALL SIGHTS");
    }
}

TEST(MagellanSim, TracksKeepVoidFixesAndEmptyNames) {
    SimulatorProcess sim({"--dataset", "examples"});
    HostLine line(sim.DevicePath());
    Handshake(line);
    Command(line, "$PMGNCMD,TRACK");
    std::vector<std::string> list = ReadList(line);
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list[0], "$PMGNTRK,4807.038,N,01131.002,E,00545,M,090000.00,A,,170503");
    EXPECT_EQ(SentenceField(list[2], 8), "V");
    EXPECT_EQ(SentenceField(list[5], 9), "MORNING");
    EXPECT_EQ(SentenceField(list[10], 8), "V");
    EXPECT_EQ(SentenceField(list[10], 9), "EVENING");
    EXPECT_EQ(SentenceField(list[15], 9), "");
}

TEST(MagellanSimFaults, BadChecksumsSilenceGarbageAndClosing) {
    {
        // Wrong checksum digits, body intact; the host's acknowledgement of the
        // body is the right one.
        SimulatorProcess sim({"--dataset", "examples", "--bad-checksums", "1"});
        HostLine line(sim.DevicePath());
        line.SendSentence("$PMGNCMD,HANDON");
        EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");  // acknowledgements stay intact
        line.SendSentence("$PMGNCMD,WAYPOINT");
        line.ReadLine();
        std::string home = line.ReadLine();
        EXPECT_EQ(Body(home).rfind("bad checksum: $PMGNWPL,4807.038", 0), 0u);
        line.Acknowledge(home);
        EXPECT_EQ(SentenceField(line.ReadLine(), 7), "SHOP");
    }
    {
        SimulatorProcess sim({"--dataset", "examples", "--silent-after", "2"});
        HostLine line(sim.DevicePath());
        Handshake(line);
        Command(line, "$PMGNCMD,VERSION");
        line.Acknowledge(line.ReadLine());  // the first data sentence
        Command(line, "$PMGNCMD,WAYPOINT");
        line.Acknowledge(line.ReadLine());  // the second
        EXPECT_TRUE(line.QuietFor(500));
        line.SendSentence("$PMGNCMD,HANDON");  // a new session
        EXPECT_EQ(line.ReadLine(), "$PMGNCSM,70*62");
    }
    {
        SimulatorProcess sim({"--dataset", "examples", "--garbage", "6"});
        HostLine line(sim.DevicePath());
        Handshake(line);
        line.SendSentence("$PMGNCMD,WAYPOINT");
        line.ReadLine();
        // A line of noise before each sentence; acknowledging the noise as a
        // careless host does is no wrong acknowledgement.
        for (const char* ident : {"HOME", "SHOP", "PARK"}) {
            std::string noise = line.ReadLine();
            EXPECT_EQ(noise.size(), 6u);
            EXPECT_EQ(noise.find_first_of("$*"), std::string::npos);
            line.Acknowledge(noise);
            std::string sentence = line.ReadLine();
            EXPECT_EQ(SentenceField(sentence, 7), ident);
            line.Acknowledge(sentence);
        }
    }
    {
        SimulatorProcess sim({"--dataset", "examples", "--close-after", "2"});
        HostLine line(sim.DevicePath());
        line.SendSentence("$PMGNCMD,WAYPOINT");
        EXPECT_EQ(SentenceField(line.ReadLine(), 7), "HOME");
        EXPECT_EQ(SentenceField(line.ReadLine(), 7), "SHOP");
        EXPECT_EQ(line.ReadLine(500), "");
    }
}

TEST(MagellanSimFaults, UnacknowledgedSentencesAreResentWhenAsked) {
    SimulatorProcess sim({"--dataset", "examples", "--resend-after", "200"});
    HostLine line(sim.DevicePath());
    Handshake(line);
    line.SendSentence("$PMGNCMD,WAYPOINT");
    line.ReadLine();
    std::string first = line.ReadLine();
    EXPECT_EQ(line.ReadLine(1000), first);
}

}  // namespace
